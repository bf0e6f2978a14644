/*
 * The update check as the main window runs it. The controller is the check's owner
 * (IUpdateCheckOwner): the checking bar and the check's message boxes are made on the GUI
 * thread whatever thread asks, by a queued call the asking thread waits for. It owns the
 * automatic check's worker thread, runs the about box's forced check and the problem report's
 * follow-up download on helper threads while the windows stay responsive, and stops everything
 * when its window closes: waiting calls are released at once, the worker is joined and the bar
 * destroyed.
 *
 * One controller per main window, a child of it (ForWindow). Its functions are called on the
 * GUI thread; the owner functions on any thread.
 */
#ifndef TALLYVOL_APP_UI_UPDATECHECKCONTROLLER_H
#define TALLYVOL_APP_UI_UPDATECHECKCONTROLLER_H

#include "app/IUpdateCheckOwner.h"
#include "app/UpdateCheck.h"
#include "app/UpdateCheckWorker.h"

#include <QObject>
#include <QPointer>

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

class QWidget;

namespace app::ui {

class CheckingForUpdatesDlg;

class UpdateCheckController : public QObject, public IUpdateCheckOwner {
    Q_OBJECT
public:
    // `now` replaces the automatic check's clock (tests); empty uses the real one.
    explicit UpdateCheckController(QWidget& window, std::function<double()> now = {});
    ~UpdateCheckController() override;

    // The window's controller, made on first use.
    static UpdateCheckController& ForWindow(QWidget& window);
    // The controller of the program's main window when one is open, else null.
    static UpdateCheckController* OfMainWindow();

    // Starts the automatic check on the worker thread; false while one runs or after Shutdown.
    bool StartAutomatic();
    bool AutomaticRunning() const { return m_worker->Running(); }
    UpdateCheckWorker& Worker() { return *m_worker; }

    // The about box's request: waits for a running automatic check to end, then runs a forced
    // check and shows the "Update Status" box. Returns the update state.
    int RunAboutBoxRequest();
    // Downloads and applies the internet settings page (the problem report's follow-up).
    void DownloadSettings();

    // The bar on screen, or null.
    CheckingForUpdatesDlg* CheckingBar() const;

    // Stops for good: releases waiting calls, ends the worker, destroys the bar.
    void Shutdown();

    // IUpdateCheckOwner
    void ShowCheckingBar(const std::string& firstLine) override;
    void CloseCheckingBar() override;
    int ShowMessage(const std::string& text, const std::string& caption, unsigned flags) override;

private:
    // Runs `call` on the GUI thread and waits for it; returns at once after Shutdown.
    void onGuiThread(std::function<void()> call);
    bool shutDown() const;
    UpdateCheckHooks helperHooks();

    QPointer<CheckingForUpdatesDlg> m_bar;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_shutdown = false;
    std::unique_ptr<UpdateCheckWorker> m_worker;
};

} // namespace app::ui

#endif
