# zk_link_shared_code (target): lets an executable of ours use the plug-in's
# shared code (processor, editor, JUCE modules) exactly as the plug-in sees it.
function (zk_link_shared_code target)
    target_link_libraries (${target} PRIVATE ZKUndular)
    target_include_directories (${target} SYSTEM PRIVATE
        $<TARGET_PROPERTY:ZKUndular,INCLUDE_DIRECTORIES>)
    target_compile_definitions (${target} PRIVATE
        $<TARGET_PROPERTY:ZKUndular,COMPILE_DEFINITIONS>)
    target_compile_options (${target} PRIVATE $<TARGET_PROPERTY:ZKUndular,COMPILE_OPTIONS>)
endfunction()
