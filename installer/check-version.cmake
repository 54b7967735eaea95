# cmake -DSOURCE_DIR=<tree> -P check-version.cmake
# The build takes the version from the file VERSION; a few texts that no build
# step generates still spell it out. Fails, naming them, when one of them
# tells another version.
file(STRINGS ${SOURCE_DIR}/VERSION version LIMIT_COUNT 1)
string(REGEX MATCH "^[0-9]+\\.[0-9]+" short ${version})
set(expected
    "app/Tarnwick.manifest|version=\"${version}\""
    "helpviewer/Lanternpane.manifest|version=\"${version}\""
    "settings/SettingsDialogs.rc|Tarnwick ${short}   (Version: ${version})"
    "helpviewer/html/Tarnwick.html|Tarnwick ${short} (Version: ${version})"
    "app/tests/ResourcesTest.cpp|\"${version}\"")
set(stale)
foreach(entry ${expected})
    string(REPLACE "|" ";" parts "${entry}")
    list(GET parts 0 file)
    list(GET parts 1 text)
    if(NOT EXISTS ${SOURCE_DIR}/${file})
        list(APPEND stale "${file} (missing)")
        continue()
    endif()
    file(READ ${SOURCE_DIR}/${file} content)
    string(FIND "${content}" "${text}" at)
    if(at EQUAL -1)
        list(APPEND stale "${file} (no ${text})")
    endif()
endforeach()
if(stale)
    string(REPLACE ";" "\n  " stale "${stale}")
    message(FATAL_ERROR "VERSION says ${version}, but these disagree:\n  ${stale}")
endif()
message(STATUS "every copy of the version says ${version}")
