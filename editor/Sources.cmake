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
# juce_add_binary_data names each array after its file, so the fonts are copied
# under the array names the editor uses: BinaryData::temp_binary_data_1 (text
# face) and BinaryData::temp_binary_data_2 (display face).
set (zk_font_dir "${CMAKE_CURRENT_BINARY_DIR}/fonts")
configure_file ("${CMAKE_CURRENT_LIST_DIR}/../resources/LiberationSans-Bold.ttf" "${zk_font_dir}/temp_binary_data_1" COPYONLY)
configure_file ("${CMAKE_CURRENT_LIST_DIR}/../resources/Engadget.ttf" "${zk_font_dir}/temp_binary_data_2" COPYONLY)

juce_add_binary_data (ZKUndularFonts
    SOURCES
        "${zk_font_dir}/temp_binary_data_1"
        "${zk_font_dir}/temp_binary_data_2")

# Linked into the VST3 and LV2 shared objects as well.
set_target_properties (ZKUndularFonts PROPERTIES POSITION_INDEPENDENT_CODE ON)

target_link_libraries (ZKUndular PRIVATE ZKUndularFonts)
