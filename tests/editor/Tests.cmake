list (APPEND ZK_TEST_SOURCES
    "${CMAKE_CURRENT_LIST_DIR}/SkinAndSliderBaseTest.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/DialTest.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/ItemSelectorTest.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/PanelTest.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/EditorTest.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/EmbeddedFontsTest.cpp")

# The font arrays are compared with the files they are made from.
set_source_files_properties ("${CMAKE_CURRENT_LIST_DIR}/EmbeddedFontsTest.cpp" PROPERTIES
    COMPILE_DEFINITIONS "ZK_RESOURCES_DIR=\"${PROJECT_SOURCE_DIR}/resources\""
    INCLUDE_DIRECTORIES "$<TARGET_PROPERTY:ZKUndularFonts,INTERFACE_INCLUDE_DIRECTORIES>")
