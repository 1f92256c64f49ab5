list (APPEND ZK_TEST_SOURCES
    "${CMAKE_CURRENT_LIST_DIR}/BlockPathIdentityTest.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/ExtremeInputTest.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/ThreadSafetyTest.cpp")
