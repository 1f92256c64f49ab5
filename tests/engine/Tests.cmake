list (APPEND ZK_TEST_SOURCES
    "${CMAKE_CURRENT_LIST_DIR}/Digit3Test.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/ParametersTest.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/DspBlocksTest.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/ReferenceModelTest.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/ProcessorTest.cpp")
