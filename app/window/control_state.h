// What the window's control views share: the session whose current record
// the controls show and edit, and the window's controlsLive flag.
#pragma once

#include "unit_session.h"

struct ControlState {
    explicit ControlState(zq40::UnitSession& session)
        : session(session)
    {
    }

    zq40::UnitSession& session;
    // Clear while the program moves controls itself, so that their slots
    // neither store nor send. Clear until the first refresh: nothing the
    // form does while it is built is sent.
    bool controlsLive = false;

    bool live() const { return controlsLive && session.currentDevice(); }
    zq40::ParameterBlocks& blocks() const { return session.currentDevice()->blocks; }
};
