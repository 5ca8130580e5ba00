#pragma once

#include "core/instrument/instrument_setup.hpp"
#include "core/reading/chain_state.hpp"

namespace merolan {

// The setup a reading chain reads and the state it carries, in one object, so a test sets up
// and inspects both through one name: `processReading(state, state, ...)`.
struct ChainUnderTest : InstrumentSetup, ChainState {
};

// A chain over the factory calibration, as a first "Create default calibration" leaves it.
inline ChainUnderTest factoryState()
{
    ChainUnderTest state;
    state.settings = factorySettings();
    return state;
}

} // namespace merolan
