# The core's sources, read by this folder's CMakeLists.txt and by the Windows build of the core
# (windows/), so that a new file needs naming once.
set(merolan_core_sources
    text_format.cpp
    setting_value.cpp
    meter_settings.cpp
    settings_fields.cpp
    windows1252.cpp
    settings_record.cpp
    atomic_file.cpp
    settings_file.cpp
    calibration_import.cpp
    calibration_rules.cpp
    wire_protocol.cpp
    conversion.cpp
    scale_range.cpp
    readout_text.cpp
    reading_chain.cpp
    reading_record.cpp
    trend_scale.cpp
    reading_history.cpp
    running_statistics.cpp
    reading_statistics.cpp
    trend_columns.cpp
    csv_log.cpp
    link_status.cpp
    readout_liveness.cpp
    reading_lines.cpp
    power_average.cpp
    correction_table.cpp
    accuracy_file.cpp
    axis_ticks.cpp
    scpi_lines.cpp
    scpi_meter.cpp
    scpi_errors.cpp
    scpi_commands.cpp
    scpi_parser.cpp
    scpi_values.cpp
)
# atomic_file.cpp holds what both kinds of system share; each builds its own half beside it.
if(WIN32)
    list(APPEND merolan_core_sources atomic_file_windows.cpp)
else()
    list(APPEND merolan_core_sources atomic_file_posix.cpp)
endif()
list(TRANSFORM merolan_core_sources PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
