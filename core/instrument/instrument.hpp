#pragma once

#include "core/instrument/instrument_setup.hpp"

#include <cstdint>

namespace merolan {

// The one owner of the instrument's setup. The window, the tool and remote clients all read the
// setup here and change it here, so none of them keeps a copy that could go stale. It remembers
// the setup it started with, so a reset returns there exactly, whatever happened since.
class Instrument
{
public:
    // Who may change the setup besides its owner: with the window in charge, the user decides and
    // remote clients only read and trigger. That is the default, as the safe one.
    enum class Control { WindowInCharge, ClientsMayChange };

    Instrument() : Instrument(InstrumentSetup{}) {}
    explicit Instrument(InstrumentSetup start, Control control = Control::WindowInCharge);

    const InstrumentSetup &setup() const { return setup_; }
    // The setup to change; every call counts as a change, so readings taken before it are no
    // longer the latest of the present setup.
    InstrumentSetup &change();
    // Back to the setup it started with.
    void reset();

    bool clientsMayChange() const { return control_ == Control::ClientsMayChange; }
    // Counts the changes; a reading is current while this stands where it stood when it came.
    std::uint64_t revision() const { return revision_; }

private:
    InstrumentSetup start_;
    InstrumentSetup setup_;
    Control control_;
    std::uint64_t revision_ = 0;
};

} // namespace merolan
