# The framework's VST3 and LV2 wrappers, built from patched copies.
#
# Some project bytes and host mistakes crash the host inside the installed
# JUCE's wrappers before they reach the plug-in. At configure time the wrapper
# files are copied from the installed JUCE into the build tree, the patches in
# cmake/juce-patches/ are applied to the copies, and the VST3 and LV2 targets
# compile the copies instead of the installed files. Nothing else of JUCE is
# copied or changed. Each file copied must be the version the patches were
# written for (cmake/ZKJuceOriginals.cmake).

include ("${CMAKE_CURRENT_LIST_DIR}/ZKJuceOriginals.cmake")

# Applied in this order.
set (ZK_JUCE_PATCHES
    "${CMAKE_CURRENT_LIST_DIR}/juce-patches/vst3-state-trailer.patch"
    "${CMAKE_CURRENT_LIST_DIR}/juce-patches/vst3-oversized-block.patch"
    "${CMAKE_CURRENT_LIST_DIR}/juce-patches/lv2-state-size.patch"
    "${CMAKE_CURRENT_LIST_DIR}/juce-patches/lv2-block-length.patch")

function (zk_use_patched_juce_wrappers)
    find_program (ZK_PATCH_PROGRAM patch REQUIRED)

    get_target_property (modules juce::juce_audio_plugin_client INTERFACE_JUCE_MODULE_PATH)
    set (client "${modules}/juce_audio_plugin_client")
    set (staging "${CMAKE_BINARY_DIR}/juce-patched-staging")
    set (patched "${CMAKE_BINARY_DIR}/juce-patched")

    # The files copied: those recorded as the versions the patches were written for.
    set_property (DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${ZK_JUCE_ORIGINALS_FILE}")
    zk_check_juce_originals ("${client}" files)

    # The installed files have CRLF line ends; the copies and the patches have LF.
    file (REMOVE_RECURSE "${staging}")

    foreach (file IN LISTS files)
        zk_read_juce_file ("${client}/${file}" text)
        file (WRITE "${staging}/juce_audio_plugin_client/${file}" "${text}")
        set_property (DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${client}/${file}")
    endforeach()

    foreach (patch_file IN LISTS ZK_JUCE_PATCHES)
        set_property (DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS "${patch_file}")
        set (apply "${ZK_PATCH_PROGRAM}" -p1 --forward --batch --fuzz=0 --no-backup-if-mismatch
                   --quiet --directory "${staging}" --input "${patch_file}")

        # A dry run first, so that a patch which does not apply changes nothing.
        execute_process (COMMAND ${apply} --dry-run RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)

        if (result EQUAL 0)
            execute_process (COMMAND ${apply} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
        endif()

        if (NOT result EQUAL 0)
            message (FATAL_ERROR
                "The JUCE patch ${patch_file} does not apply to the installed JUCE ${JUCE_VERSION} "
                "(${modules}). It was written for JUCE ${ZK_JUCE_PATCHES_VERSION}: port it to this "
                "version, or build against JUCE ${ZK_JUCE_PATCHES_VERSION}.\n${output}")
        endif()
    endforeach()

    # Unchanged copies keep their time stamps, so configuring again rebuilds nothing.
    foreach (file IN LISTS files)
        get_filename_component (folder "${patched}/juce_audio_plugin_client/${file}" DIRECTORY)
        file (MAKE_DIRECTORY "${folder}")
        file (COPY_FILE "${staging}/juce_audio_plugin_client/${file}" "${patched}/juce_audio_plugin_client/${file}"
              ONLY_IF_DIFFERENT)
    endforeach()

    file (REMOVE_RECURSE "${staging}")

    # The VST3 wrapper includes its module's utility headers by relative path.
    # Those must stay the installed files (the module header includes them too,
    # and #pragma once takes a copy for another file), so the copy forwards to them.
    file (GLOB headers RELATIVE "${client}/utility" "${client}/utility/*.h")

    foreach (header IN LISTS headers)
        file (CONFIGURE OUTPUT "${patched}/juce_audio_plugin_client/utility/${header}"
              CONTENT "#include <juce_audio_plugin_client/utility/${header}>\n")
    endforeach()

    # The wrapper targets that juce_add_plugin links name the installed sources.
    foreach (format IN ITEMS VST3 LV2)
        set (target juce_audio_plugin_client_${format})
        set (source "juce_audio_plugin_client/juce_audio_plugin_client_${format}.cpp")
        get_target_property (sources ${target} INTERFACE_SOURCES)
        list (FIND sources "${modules}/${source}" index)

        if (index EQUAL -1)
            message (FATAL_ERROR "${target} does not compile ${modules}/${source}; cannot use the patched copy")
        endif()

        list (REMOVE_AT sources ${index})
        list (INSERT sources ${index} "${patched}/${source}")
        set_property (TARGET ${target} PROPERTY INTERFACE_SOURCES "${sources}")
    endforeach()
endfunction()
