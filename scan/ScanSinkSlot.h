/*
 * Who watches the scan engine: the sink the owner installed (CScanInfo::SetSink), or a silent
 * one when there is none. The engine's collaborators share one slot owned by CScanInfo, so a
 * sink set once reaches all of them. Used on the thread that runs the engine's operations.
 */
#ifndef TALLYVOL_SCAN_SCANSINKSLOT_H
#define TALLYVOL_SCAN_SCANSINKSLOT_H

#include "scan/ScanSink.h"

namespace scan {

class ScanSinkSlot {
public:
    // Not owned; nullptr: nobody watches and nothing is asked.
    void Set(IScanSink* sink) { m_sink = sink; }
    IScanSink& Get() { return m_sink != nullptr ? *m_sink : m_silent; }

private:
    IScanSink* m_sink = nullptr;
    SilentScanSink m_silent;
};

} // namespace scan

#endif
