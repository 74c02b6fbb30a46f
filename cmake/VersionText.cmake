# The version text of a build: the project version alone when the sources are a
# release (a tarball, or a git checkout whose HEAD carries the tag v<version> or
# <version>), else the version followed by the commit, e.g. 1.01+g1a2b3c4.
#
# include() it for tarnwick_version_text(), or run it as a script
#   cmake -DSOURCE_DIR=... -DVERSION=... -DOUTPUT=file.h -P VersionText.cmake
# to write a header defining TARNWICK_VERSION_TEXT (only when the text changed, so
# nothing is rebuilt for nothing).
if(CMAKE_SCRIPT_MODE_FILE)
  cmake_policy(VERSION 3.24)
endif()

function(tarnwick_version_text source version out)
  set(text "${version}")
  if(EXISTS "${source}/.git")
    find_package(Git QUIET)
    set(hash "")
    if(GIT_FOUND)
      execute_process(COMMAND "${GIT_EXECUTABLE}" -C "${source}" tag --points-at HEAD
                      OUTPUT_VARIABLE tags ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
      execute_process(COMMAND "${GIT_EXECUTABLE}" -C "${source}" rev-parse --short=7 HEAD
                      RESULT_VARIABLE failed OUTPUT_VARIABLE hash ERROR_QUIET OUTPUT_STRIP_TRAILING_WHITESPACE)
      if(failed)
        set(hash "")
      endif()
    endif()
    string(REPLACE "\n" ";" tags "${tags}")
    if(NOT ("v${version}" IN_LIST tags OR "${version}" IN_LIST tags))
      if(hash)
        set(text "${version}+g${hash}")
      else()
        set(text "${version}+unknown")
      endif()
    endif()
  endif()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE AND OUTPUT)
  tarnwick_version_text("${SOURCE_DIR}" "${VERSION}" text)
  set(content "// Written by the build from the project version and the git commit.\n#define TARNWICK_VERSION_TEXT \"${text}\"\n")
  if(EXISTS "${OUTPUT}")
    file(READ "${OUTPUT}" old)
  endif()
  if(NOT old STREQUAL content)
    file(WRITE "${OUTPUT}" "${content}")
  endif()
endif()
