cmake_minimum_required(VERSION 3.25)
# Fails when a source file includes a project header from a folder its
# library may not use. Run with -DROOT=<source folder>.
# The UI layer platform/ui/ may include platform/ only; of the folders checked
# here nothing outside platform/ui/ may include "platform/ui/..." (only app/
# and the dialog folders use it).
set(_allowed_platform platform)
set(_allowed_core platform core)
set(_allowed_midi platform core midi)
set(_allowed_play platform core midi play)
set(_allowed_style platform core style)
set(_allowed_compose platform core midi play style compose)
set(_allowed_accomp platform core midi play style compose accomp)
set(_allowed_styleedit platform core midi play style compose accomp styleedit)
# The edited tune stands where the style editor does, with no UI header.
set(_allowed_tuneedit platform core midi play style compose accomp tuneedit)
set(_allowed_convert platform core midi play convert audio)
# The audio side of convert/ (convert/audio/) stands on platform/, core/ and
# the MIDI tune it renders.
set(_allowed_audio platform core midi audio)
set(_project_folders platform core midi play style compose accomp app convert styleedit tuneedit)

set(_failures "")
foreach(_folder platform core midi play style compose accomp styleedit convert tuneedit)
    file(GLOB_RECURSE _files ${ROOT}/${_folder}/*.h ${ROOT}/${_folder}/*.cpp)
    foreach(_file ${_files})
        file(STRINGS ${_file} _lines REGEX "^[ \t]*#[ \t]*include[ \t]*\"")
        foreach(_line ${_lines})
            string(REGEX REPLACE "^[^\"]*\"([^/\"]+)/.*$" "\\1" _target "${_line}")
            file(RELATIVE_PATH _rel ${ROOT} ${_file})
            if(_line MATCHES "\"convert/audio/")
                set(_target audio)
            endif()
            set(_rules ${_allowed_${_folder}})
            if(_rel MATCHES "^convert/audio/")
                set(_rules ${_allowed_audio})
            endif()
            if(_line MATCHES "\"platform/ui/" AND NOT _rel MATCHES "^platform/ui/")
                list(APPEND _failures "${_rel}: ${_line}")
                continue()
            endif()
            if((_target IN_LIST _project_folders OR _target STREQUAL "audio") AND NOT _target IN_LIST _rules)
                list(APPEND _failures "${_rel}: ${_line}")
            endif()
        endforeach()
    endforeach()
endforeach()

# FLTK's headers belong to the FLTK backend's .cpp files alone.
file(GLOB_RECURSE _sources ${ROOT}/platform/*.h ${ROOT}/platform/*.cpp ${ROOT}/core/*.h
     ${ROOT}/core/*.cpp ${ROOT}/midi/*.h ${ROOT}/midi/*.cpp ${ROOT}/play/*.h ${ROOT}/play/*.cpp
     ${ROOT}/style/*.h ${ROOT}/style/*.cpp ${ROOT}/compose/*.h ${ROOT}/compose/*.cpp
     ${ROOT}/app/*.h ${ROOT}/app/*.cpp ${ROOT}/convert/*.h ${ROOT}/convert/*.cpp
     ${ROOT}/styleedit/*.h ${ROOT}/styleedit/*.cpp ${ROOT}/tuneedit/*.h ${ROOT}/tuneedit/*.cpp
     ${ROOT}/tests/*.h ${ROOT}/tests/*.cpp)
foreach(_file ${_sources})
    file(RELATIVE_PATH _rel ${ROOT} ${_file})
    if(_rel MATCHES "^platform/ui/fltk/[^/]*\\.cpp$")
        continue()
    endif()
    file(STRINGS ${_file} _lines REGEX "^[ \t]*#[ \t]*include[ \t]*<FL/")
    foreach(_line ${_lines})
        list(APPEND _failures "${_rel}: ${_line}")
    endforeach()
endforeach()

if(_failures)
    list(JOIN _failures "\n" _text)
    message(FATAL_ERROR "Includes across the layers:\n${_text}")
endif()
