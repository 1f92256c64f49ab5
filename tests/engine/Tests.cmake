list (APPEND ZK_TEST_SOURCES
    "${CMAKE_CURRENT_LIST_DIR}/Digit3Test.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/ParametersTest.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/DspBlocksTest.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/LinearSmootherTest.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/ReferenceModelTest.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/ProcessorTest.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/AllocationCounting.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/RealtimeAllocationTest.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/StateTest.cpp")

# A host's NaN parameter values, in-process and with the editor open.
list (APPEND ZK_TEST_SOURCES "${CMAKE_CURRENT_LIST_DIR}/NanParameterTest.cpp")
