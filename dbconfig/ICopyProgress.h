/*
 * What the database copy tells the person waiting for it, and how it learns that they want it
 * to stop: the progress window of the wizard implements this, the command line prints. The
 * copy calls it on the main thread, one table after another:
 *
 *   ShowText(table's text)  SetRange(rows, when the count is known)
 *   { CancelRequested()  StepIt()  [ProcessMessages() after every 20th row] }...
 *
 * A window sets its cancel flag only while ProcessMessages runs (the Cancel button is handled
 * there), so CancelRequested must be cheap: the copy asks before every row.
 */
#ifndef TALLYVOL_DBCONFIG_ICOPYPROGRESS_H
#define TALLYVOL_DBCONFIG_ICOPYPROGRESS_H

#include <cstdint>
#include <string>

namespace dbconfig {

class ICopyProgress {
public:
    virtual ~ICopyProgress() = default;

    // The table being copied ("Copying Table: DirNames (1 of 6)").
    virtual void ShowText(const std::string& text) = 0;
    // The bar runs from 0 to `rows`, now at 0; not called when the count failed.
    virtual void SetRange(std::int64_t rows) = 0;
    // One row read: the bar advances by one.
    virtual void StepIt() = 0;
    // Lets the window handle pending events (the Cancel button among them).
    virtual void ProcessMessages() = 0;
    // True once the person confirmed that the copy should stop.
    virtual bool CancelRequested() = 0;
};

} // namespace dbconfig

#endif
