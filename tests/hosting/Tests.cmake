# Tests that load the built plug-in bundles the way a DAW does, validate the
# LV2 bundle and start the standalone app under a virtual display.
#
# zk-host-tests is a plug-in host with its own copy of JUCE: it links neither
# the shared-code target nor ZKOfflineHost, so the product's JUCE (hidden inside
# the bundles) and the host's never meet in one link. The in-process reference
# output comes from the zk-render executable, run as a child process.

juce_add_console_app (zk-host-tests PRODUCT_NAME "zk-host-tests")

target_sources (zk-host-tests PRIVATE
    "${CMAKE_CURRENT_LIST_DIR}/HostTestMain.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/HostedPlugin.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/HostedPlugin.h"
    "${CMAKE_CURRENT_LIST_DIR}/ReferenceRender.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/ReferenceRender.h"
    "${CMAKE_CURRENT_LIST_DIR}/HostedParametersTest.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/HostedAudioTest.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/HostedBusesTest.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/HostedStateTest.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/HostedEditorTest.cpp")

target_compile_definitions (zk-host-tests PRIVATE
    JUCE_PLUGINHOST_VST3=1
    JUCE_PLUGINHOST_LV2=1
    JUCE_WEB_BROWSER=0
    JUCE_USE_CURL=0
    JUCE_USE_FLAC=0
    JUCE_USE_OGGVORBIS=0
    JUCE_MODAL_LOOPS_PERMITTED=1)

target_link_libraries (zk-host-tests PRIVATE
    juce::juce_audio_processors
    juce::juce_audio_formats
    juce::juce_recommended_config_flags
    GTest::gtest)

# Building the host tests builds what they load.
add_dependencies (zk-host-tests ZKUndular_VST3 ZKUndular_LV2 ZKUndular_Standalone zk-render)

set (zk_hosting_dir "${CMAKE_BINARY_DIR}/test-output/hosting")
set (zk_vst3_bundle "$<GENEX_EVAL:$<TARGET_PROPERTY:ZKUndular_VST3,JUCE_PLUGIN_ARTEFACT_FILE>>")
set (zk_lv2_bundle "$<GENEX_EVAL:$<TARGET_PROPERTY:ZKUndular_LV2,JUCE_PLUGIN_ARTEFACT_FILE>>")

set (zk_host_env
    "ZK_VST3_BUNDLE=${zk_vst3_bundle}"
    "ZK_LV2_BUNDLE=${zk_lv2_bundle}"
    "ZK_LV2_URI=${ZK_LV2_URI}"
    "ZK_RENDER=$<TARGET_FILE:zk-render>"
    "ZK_HOSTING_OUTPUT=${zk_hosting_dir}")

# The tests of hostile project bytes and host mistakes that go through the
# wrappers (the framework files the build patches), by suite, per format.
set (zk_wrapper_tests_VST3 "*HostedVST3StateTrailer*:*HostedVST3OversizedBlock*:*HostedVST3BlockSizes*")
set (zk_wrapper_tests_LV2 "*HostedLV2StateText*:*HostedLV2MaxBlockLength*")

# Parameters, buses, audio and state need no display: run them without one, so
# they prove that a headless host (a render farm, a CI runner) can use the
# plug-in. Per format, one process for the wrapper tests and one for the rest,
# so ctest can run all four side by side.
foreach (format IN ITEMS VST3 LV2)
    string (TOLOWER "${format}" name)
    add_test (NAME hosting.${name}
        COMMAND zk-host-tests "--gtest_filter=*${format}*-*Editor*:${zk_wrapper_tests_${format}}")
    add_test (NAME hosting.${name}-wrapper
        COMMAND zk-host-tests "--gtest_filter=${zk_wrapper_tests_${format}}")
    set_tests_properties (hosting.${name} hosting.${name}-wrapper PROPERTIES
        ENVIRONMENT "${zk_host_env};DISPLAY="
        TIMEOUT 300)
endforeach()

# Editors get real windows on a virtual display, as in a DAW.
add_test (NAME hosting.editors
    COMMAND "${CMAKE_CURRENT_LIST_DIR}/run-with-xvfb.sh" 240 "$<TARGET_FILE:zk-host-tests>" "--gtest_filter=*Editor*")
set_tests_properties (hosting.editors PROPERTIES
    ENVIRONMENT "${zk_host_env}"
    RESOURCE_LOCK zk-xvfb
    TIMEOUT 300)

add_test (NAME hosting.lv2-validate
    COMMAND "${CMAKE_CURRENT_LIST_DIR}/lv2-validate.sh" "${zk_lv2_bundle}" "${ZK_LV2_URI}" "${ZK_COMPANY_EMAIL}")
set_tests_properties (hosting.lv2-validate PROPERTIES TIMEOUT 120)

add_test (NAME hosting.standalone
    COMMAND "${CMAKE_CURRENT_LIST_DIR}/standalone-test.sh"
            "$<TARGET_FILE:ZKUndular_Standalone>" "${zk_hosting_dir}/standalone")
set_tests_properties (hosting.standalone PROPERTIES
    RESOURCE_LOCK zk-xvfb
    TIMEOUT 120)

# Hostile project bytes and host mistakes through the wrappers, and the symbols
# the bundles export. The wrapper tests run in the hosting.vst3-wrapper and
# hosting.lv2-wrapper processes.
target_sources (zk-host-tests PRIVATE
    "${CMAKE_CURRENT_LIST_DIR}/HostedVST3StateTrailerTest.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/HostedVST3OversizedBlockTest.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/HostedVST3BlockSizesTest.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/HostedLV2StateTextTest.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/HostedLV2BlockLengthTest.cpp")

add_test (NAME hosting.exports
    COMMAND "${CMAKE_CURRENT_LIST_DIR}/exports-test.sh"
            "$<TARGET_FILE:ZKUndular_VST3>" "GetPluginFactory ModuleEntry ModuleExit"
            "$<TARGET_FILE:ZKUndular_LV2>" "lv2_descriptor lv2ui_descriptor")
set_tests_properties (hosting.exports PROPERTIES TIMEOUT 60)

# A host's NaN parameter values mid-playback, through each format's own channel.
target_sources (zk-host-tests PRIVATE "${CMAKE_CURRENT_LIST_DIR}/HostedNanParameterTest.cpp")

# Last, once every source of ours is on the target: the warning flags are set per source file.
zk_enable_warnings (zk-host-tests)
