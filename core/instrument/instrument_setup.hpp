#pragma once

#include "core/reading/correction_table.hpp"
#include "core/settings/meter_settings.hpp"

#include <optional>
#include <string>

namespace merolan {

// The dBm scale limits as the user set them.
struct DbmScaleLimits {
    SettingValue max;
    SettingValue min;
};

// A correction table in force: its points, the name it goes by and the fingerprint of the bytes
// it was read from, so a later change of the file is noticed.
struct SelectedTable {
    CorrectionTable table;
    std::string name;
    std::string hash;
};

// What makes a reading more accurate than one sample at one calibration. Averaging and the
// table each have a switch of their own beside their value, so switching one off and on again
// keeps what was set.
struct AccuracySetup {
    int averageCount = 1;
    bool averageOn = false;
    std::optional<double> frequencyHz;
    std::optional<SelectedTable> table;
    bool tableOn = false;

    // The readings a level is the mean of: 1 while averaging is off.
    int averagedReadings() const { return averageOn ? averageCount : 1; }
    // The table the levels are corrected by: one that is selected and switched on.
    const SelectedTable *tableInForce() const { return tableOn && table ? &*table : nullptr; }
    // The window's way: one count, where 1 averages nothing.
    void setAveraging(int count)
    {
        averageCount = count;
        averageOn = count > 1;
    }
    // The window's way: a table chosen applies, and none is none.
    void setTable(std::optional<SelectedTable> chosen)
    {
        table = std::move(chosen);
        tableOn = table.has_value();
    }
};

// Everything a user or a remote client can set: what the windows show in their boxes, what the
// tool's options change and what SCPI commands set. The working state of the reading chain is
// not here; the measuring session owns that.
struct InstrumentSetup {
    // The 128-byte record's fields: calibration, range, unit, scale limits, attenuator, ...
    MeterSettings settings;
    // Whether the attenuator in `settings` is added to the levels. A value given applies at once;
    // remote clients may switch it off and on again.
    bool attenuatorOn = true;
    bool relativeMode = false;
    // "Zero Reference": the level relative readings are measured against.
    double zeroReferenceDbm = 0;
    // While relative mode lends the dBm boxes to its dB scale, the user's own dBm limits wait
    // here; saves store these, and switching relative mode off puts them back.
    std::optional<DbmScaleLimits> heldDbmScale;
    AccuracySetup accuracy;
    // Polling all the time, as a remote client asked (INITiate:CONTinuous); the window starts
    // and stops measuring itself.
    bool continuous = false;
    // How the texts the user typed into the settings read: the user's locale's decimal mark.
    char decimalSeparator = '.';
};

// A setup that starts from the settings of a file: its attenuator applies when it is not 0 (a
// text that is no number applies too, so the reading says what is wrong with it).
InstrumentSetup setupFromSettings(const MeterSettings &settings, char decimalSeparator);

} // namespace merolan
