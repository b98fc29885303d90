@echo off
rem Shows every option of Folioturn on the bundled sample. Outputs go to out\.
if not exist out mkdir out
folioturn -isample.pdf -oout\pages.pdf -p1,3,5-6 -r90
folioturn -isample.pdf -oout\all.pdf -pall -r180
folioturn -isample.pdf -oout\odd.pdf -podd -r270
folioturn -isample.pdf -oout\even.pdf -peven -r90
folioturn -isample.pdf -oout\first-half.pdf -pfirsthalf -r90
folioturn -isample.pdf -oout\last-half.pdf -plasthalf -r90
folioturn -isample.pdf -oout\default.pdf -r90
folioturn -isample.pdf -oout\upright.pdf -pall -r0
folioturn -isample.pdf -oout\forced.pdf -p2 -r270 -force
folioturn -isample.pdf -oout\missing.pdf -p9 -r90
