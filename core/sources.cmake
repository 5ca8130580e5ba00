# The core's sources, read by this folder's CMakeLists.txt and by the Windows build of the core
# (windows/), so that a new file needs naming once. One folder per domain.
set(merolan_core_sources
    # Number texts and reading them back.
    base/text_format.cpp
    # The settings record and its file, calibration rules, the accuracy file beside it.
    settings/setting_value.cpp
    settings/meter_settings.cpp
    settings/settings_fields.cpp
    settings/windows1252.cpp
    settings/settings_record.cpp
    settings/atomic_file.cpp
    settings/settings_file.cpp
    settings/calibration_import.cpp
    settings/calibration_rules.cpp
    settings/accuracy_file.cpp
    settings/table_store.cpp
    # From a reading frame to levels, texts and the needle's place.
    reading/wire_protocol.cpp
    reading/frequency_range.cpp
    reading/conversion.cpp
    reading/scale_range.cpp
    reading/readout_text.cpp
    reading/reading_chain.cpp
    reading/reading_record.cpp
    reading/readout_liveness.cpp
    reading/link_status.cpp
    reading/power_average.cpp
    reading/correction_table.cpp
    # What a run measured: the history, its statistics and the trend's columns and axes.
    history/trend_scale.cpp
    history/reading_history.cpp
    history/running_statistics.cpp
    history/statistics_period.cpp
    history/reading_statistics.cpp
    history/trend_columns.cpp
    history/axis_ticks.cpp
    # The log's CSV and the tool's reading lines.
    logs/csv_log.cpp
    logs/reading_lines.cpp
    # The instrument's setup and its one owner.
    instrument/instrument.cpp
    # The SCPI language and the meter's commands.
    scpi/scpi_lines.cpp
    scpi/scpi_status.cpp
    scpi/scpi_meter_commands.cpp
    scpi/scpi_meter.cpp
    scpi/scpi_errors.cpp
    scpi/scpi_commands.cpp
    scpi/scpi_parser.cpp
    scpi/scpi_values.cpp
)
# atomic_file.cpp holds what both kinds of system share; each builds its own half beside it.
if(WIN32)
    list(APPEND merolan_core_sources settings/atomic_file_windows.cpp)
else()
    list(APPEND merolan_core_sources settings/atomic_file_posix.cpp)
endif()
list(TRANSFORM merolan_core_sources PREPEND ${CMAKE_CURRENT_LIST_DIR}/)
