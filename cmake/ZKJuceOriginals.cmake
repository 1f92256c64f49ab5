# The framework files the patches in cmake/juce-patches/ were written for.
#
# A patch applies wherever its context lines match, so a JUCE update that keeps
# those lines but changes the code around them (buffer sizing, trailer parsing)
# would be patched silently. Each file the build copies and patches must be the
# one recorded in juce-patches/originals.sha256: SHA-256 of its text with CRLF
# line ends turned into LF, as the copies are written. Any other version stops
# the configuration.
#
# Also runs as a script, for the test of this check:
#   cmake -DZK_JUCE_CLIENT_DIR=<.../juce_audio_plugin_client> -P ZKJuceOriginals.cmake

# The JUCE version the patches were written against, and its files' hashes.
set (ZK_JUCE_PATCHES_VERSION 7.0.5)
set (ZK_JUCE_ORIGINALS_FILE "${CMAKE_CURRENT_LIST_DIR}/juce-patches/originals.sha256")

# The text of a framework file with LF line ends.
function (zk_read_juce_file path out_text)
    file (READ "${path}" text)
    string (REPLACE "\r\n" "\n" text "${text}")
    set (${out_text} "${text}" PARENT_SCOPE)
endfunction()

# The files (relative to client_dir) recorded for the patches, in out_files;
# stops with a fatal error if one differs from its recorded version.
function (zk_check_juce_originals client_dir out_files)
    file (STRINGS "${ZK_JUCE_ORIGINALS_FILE}" lines REGEX "^[0-9a-f]+  ")
    set (files "")

    foreach (line IN LISTS lines)
        string (REGEX MATCH "^([0-9a-f]+)  (.+)$" matched "${line}")
        set (expected "${CMAKE_MATCH_1}")
        set (file "${CMAKE_MATCH_2}")
        list (APPEND files "${file}")

        if (NOT EXISTS "${client_dir}/${file}")
            message (FATAL_ERROR "The JUCE file ${client_dir}/${file}, which the patches in "
                                 "cmake/juce-patches/ change, does not exist.")
        endif()

        zk_read_juce_file ("${client_dir}/${file}" text)
        string (SHA256 installed "${text}")

        if (NOT installed STREQUAL expected)
            message (FATAL_ERROR
                "The installed JUCE file ${client_dir}/${file} is not the version the patches in "
                "cmake/juce-patches/ were written for.\n"
                "  written for: SHA-256 ${expected} (JUCE ${ZK_JUCE_PATCHES_VERSION})\n"
                "  installed:   SHA-256 ${installed}\n"
                "(SHA-256 of the file with LF line ends.) Review the patches against the installed "
                "file, then record its hash in ${ZK_JUCE_ORIGINALS_FILE}; or build against the "
                "version they were written for.")
        endif()
    endforeach()

    if (files STREQUAL "")
        message (FATAL_ERROR "${ZK_JUCE_ORIGINALS_FILE} names no file")
    endif()

    set (${out_files} "${files}" PARENT_SCOPE)
endfunction()

if (CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
    zk_check_juce_originals ("${ZK_JUCE_CLIENT_DIR}" checked)
    message (STATUS "The JUCE files the patches were written for: ${checked}")
endif()
