list (APPEND ZK_TEST_SOURCES
    "${CMAKE_CURRENT_LIST_DIR}/SkinAndSliderBaseTest.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/DialTest.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/ItemSelectorTest.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/PanelTest.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/EditorTest.cpp")
