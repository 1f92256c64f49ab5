set (ZK_WARNING_FLAGS -Wall -Wextra -Wshadow -Wconversion -Wno-sign-conversion
    -Wnon-virtual-dtor -Woverloaded-virtual)

# Warnings for our own sources only; JUCE's modules are compiled without them
# because their headers are included as system headers through the shared target.
function (zk_enable_warnings target)
    get_target_property (sources ${target} SOURCES)
    set (own_sources "")
    foreach (src IN LISTS sources)
        if (src MATCHES "^${CMAKE_SOURCE_DIR}/(processor|editor|tools|tests|bench)/")
            list (APPEND own_sources "${src}")
        endif()
    endforeach()
    # JUCE's module folder as a system include folder: its headers stay quiet.
    get_target_property (juce_dirs juce::juce_core INTERFACE_INCLUDE_DIRECTORIES)
    set (system_includes "")
    foreach (dir IN LISTS juce_dirs)
        list (APPEND system_includes "-isystem" "${dir}")
    endforeach()
    set_source_files_properties (${own_sources} PROPERTIES
        COMPILE_OPTIONS "${system_includes};${ZK_WARNING_FLAGS}")
endfunction()

# Our own executables: the whole target carries the warning flags.
function (zk_enable_target_warnings target)
    target_compile_options (${target} PRIVATE ${ZK_WARNING_FLAGS})
endfunction()
