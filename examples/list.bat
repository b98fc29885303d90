@echo off
rem Rotates every file named in list.txt into the folder rotated\.
rem Make a list with: dir /B *.pdf > list.txt
folioturn -ilist.txt -frotated -podd -r90
