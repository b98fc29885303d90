# The rooms of src/, from the top of the house down. Each room is a library of its
# own that links the room right below it, and each room's headers are seen only by
# the rooms above it: an include of a room above, "model/" reaching for "xref/" say,
# fails to build. The main build and the fuzz build both make their rooms here.
set(FOLIOTURN_ROOMS app job output pages rawtext xref crypt parse stream model platform limits)

# A room's headers are included as "room/Header.h" from src/. Each room gets a folder
# of its own in the build that holds only a link to its sources, and that folder is
# the room's include path: a room sees itself and, through its links, what lies below.
function(folioturn_room_includes room source_dir include_dir)
  file(MAKE_DIRECTORY ${include_dir})
  file(CREATE_LINK ${source_dir}/${room} ${include_dir}/${room} SYMBOLIC)
endfunction()

# nlohmann-json writes the JSON of -info; the app room alone uses it. It is headers
# only and the same on every platform, so a cross build takes the host's: its
# folder is linked alone into `staging`, as the whole of the host's include folder
# would bring the host's C library headers along.
function(folioturn_use_json target staging)
  if(CMAKE_CROSSCOMPILING)
    find_path(FOLIOTURN_JSON_INCLUDE_DIR nlohmann/json.hpp PATHS /usr/include /usr/local/include
      NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH REQUIRED)
    file(MAKE_DIRECTORY ${staging}/json)
    file(CREATE_LINK ${FOLIOTURN_JSON_INCLUDE_DIR}/nlohmann ${staging}/json/nlohmann SYMBOLIC)
    target_include_directories(${target} PRIVATE ${staging}/json)
  else()
    find_package(nlohmann_json 3 REQUIRED)
    target_link_libraries(${target} PRIVATE nlohmann_json::nlohmann_json)
  endif()
endfunction()

# Makes the target folioturn_<room> for every room (sources found by a glob per folder,
# so that a new file needs no edit here); the platform room takes PLATFORM_SOURCE
# alone of its implementations. VERSION goes into the generated app/Version.h.
# ROOM_TARGETS receives the targets that compile sources.
function(folioturn_add_rooms source_root platform_source version)
  set(staging ${CMAKE_BINARY_DIR}/rooms)
  set(FOLIOTURN_VERSION ${version})
  configure_file(${source_root}/src/app/Version.h.in ${staging}/generated/app/Version.h @ONLY)
  set(compiled)
  set(below)
  set(rooms ${FOLIOTURN_ROOMS})
  list(REVERSE rooms)
  foreach(room IN LISTS rooms)
    file(GLOB sources CONFIGURE_DEPENDS ${source_root}/src/${room}/*.cpp)
    list(FILTER sources EXCLUDE REGEX "/src/platform/Platform[A-Za-z]*\\.cpp$")
    list(FILTER sources EXCLUDE REGEX "/src/app/main\\.cpp$")
    if(room STREQUAL "platform")
      list(APPEND sources ${platform_source})
    endif()
    set(target folioturn_${room})
    if(sources)
      add_library(${target} STATIC ${sources})
      set(usage PUBLIC)
      list(APPEND compiled ${target})
    else()
      add_library(${target} INTERFACE)
      set(usage INTERFACE)
    endif()
    folioturn_room_includes(${room} ${source_root}/src ${staging}/${room})
    target_include_directories(${target} ${usage} ${staging}/${room})
    if(below)
      target_link_libraries(${target} ${usage} ${below})
    endif()
    set(below ${target})
  endforeach()
  target_include_directories(folioturn_app PUBLIC ${staging}/generated)
  # zlib under the Flate streams; libgcrypt, with libgpg-error under it, under the
  # cryptography of encrypted files.
  target_link_libraries(folioturn_stream PUBLIC ZLIB::ZLIB)
  target_include_directories(folioturn_crypt PUBLIC ${GCRYPT_INCLUDE_DIR})
  target_link_libraries(folioturn_crypt PUBLIC ${GCRYPT_LIBRARY} ${GPG_ERROR_LIBRARY})
  if(MINGW)
    target_link_libraries(folioturn_crypt PUBLIC ws2_32)  # libgpg-error's sockets, a system DLL
  endif()
  folioturn_use_json(folioturn_app ${staging})
  set(ROOM_TARGETS ${compiled} PARENT_SCOPE)
endfunction()
