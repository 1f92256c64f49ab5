# Hostile state blocks: the bounded reader against the framework's, the
# committed corpus, and a seeded mutation loop over the processor.
list (APPEND ZK_TEST_SOURCES
    "${CMAKE_CURRENT_LIST_DIR}/AllocationCounter.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/StateTestSupport.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/StateReaderEquivalenceTest.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/StateCorpusTest.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/StateMutationTest.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/StateReadBackTest.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/NameHashTest.cpp")

set_property (SOURCE "${CMAKE_CURRENT_LIST_DIR}/StateTestSupport.cpp"
    APPEND PROPERTY COMPILE_DEFINITIONS ZK_STATE_CORPUS_DIR="${CMAKE_CURRENT_LIST_DIR}/corpus")
