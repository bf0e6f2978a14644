/*
 * How the included store indexes its size rows. One index, scan first (ScanID, ParentDirID):
 * a scan appends its entries and a purge removes a scan's from the front, so their cost does
 * not grow with the history (indexed by parent first, every new scan touched a page of every
 * parent's entries, and a year of nightly scans made a repeat scan several times slower). The
 * loads of one directory's children by parent reach the index one scan at a time, which the
 * planner does only when its statistics say that a scan has many rows: the store keeps that
 * one statistics row. Stores with the older two indexes are re-indexed once when opened.
 * Functions of the thread that owns the connection; the included store (kind 1) only.
 */
#ifndef TALLYVOL_SCAN_SIZEINDEXLAYOUT_H
#define TALLYVOL_SCAN_SIZEINDEXLAYOUT_H

namespace platform::ado {
class Connection;
}

namespace scan {

class SizeIndexLayout {
public:
    // Replaces the older indexes (once; a failure is logged and the older ones stay).
    static void Upgrade(platform::ado::Connection& connection);
    // Adds the statistics row when the index lacks it (a failure is logged).
    static void EnsureStatistics(platform::ado::Connection& connection);
};

} // namespace scan

#endif
