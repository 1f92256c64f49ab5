# The editor's sources join the shared code target here.
target_sources (ZKUndular PRIVATE
    "${CMAKE_CURRENT_LIST_DIR}/MySkinZk.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/MySliderBase.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/MyDialZk4.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/MyMultiButtonSlider.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/MyMultiButtonSliderZk.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/MyPanel.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/ThisComponentWrapper.cpp"
    "${CMAKE_CURRENT_LIST_DIR}/PluginEditor.cpp")

# The two embedded fonts: the dials' bold text face and the labels' display face.
# The symbols are named after the files (BinaryData::LiberationSansBold_ttf, ...).
juce_add_binary_data (ZKUndularFonts
    SOURCES
        "${CMAKE_CURRENT_LIST_DIR}/../resources/LiberationSans-Bold.ttf"
        "${CMAKE_CURRENT_LIST_DIR}/../resources/Engadget.ttf")

# Linked into the VST3 and LV2 shared objects as well.
set_target_properties (ZKUndularFonts PROPERTIES POSITION_INDEPENDENT_CODE ON)

target_link_libraries (ZKUndular PRIVATE ZKUndularFonts)
