target_sources (ZKUndular PRIVATE
    "${CMAKE_CURRENT_LIST_DIR}/MyUtility.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/MyParameters.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/MyDelayLine.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/MyLinearSmoother.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/MySineTableLfo.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/MyVibratoProcessor.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/MyStereoEnhancerProcessor.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/MyStateReader.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/PluginProcessor.cpp")
