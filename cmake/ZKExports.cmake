# The plug-in bundles export their format's entry points and nothing else: a
# host loads many plug-ins into one process, and any other exported symbol (the
# fonts' arrays, the framework's classes) could bind to another plug-in's symbol
# of the same name.
#
# Everything of ours linked into the bundles is compiled with hidden visibility.
# The standard library's template instances keep default visibility whatever
# the flags say, so a version script per format hides what remains.

function (zk_export_only_entry_points)
    set_target_properties (ZKUndular ZKUndularFonts PROPERTIES
        C_VISIBILITY_PRESET hidden
        CXX_VISIBILITY_PRESET hidden
        VISIBILITY_INLINES_HIDDEN ON)

    # Version scripts are for ELF linkers only.
    if (NOT CMAKE_SYSTEM_NAME MATCHES "Linux|BSD")
        return()
    endif()

    foreach (format IN ITEMS VST3 LV2)
        set (script "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/exports/${format}.map")
        target_link_options (ZKUndular_${format} PRIVATE "LINKER:--version-script=${script}")
        set_property (TARGET ZKUndular_${format} APPEND PROPERTY LINK_DEPENDS "${script}")
    endforeach()
endfunction()
