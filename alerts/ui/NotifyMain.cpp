// tallyvol-notify --caption TEXT --text TEXT [--icon exclamation|information|error|question]
//
// Shows one message box with an OK button and ends when it is closed. The unattended
// interface starts it and does not wait, so an alert of a scheduled run reaches the desktop
// without the run waiting for a person who may not be there.
#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstring>
#include <string>

namespace {

int usage() {
    std::fputs("usage: tallyvol-notify --caption TEXT --text TEXT [--icon exclamation|information|error|question]\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string caption;
    std::string text;
    bool haveText = false;
    QMessageBox::Icon icon = QMessageBox::Warning;
    for (int i = 1; i < argc; i += 2) {
        if (i + 1 >= argc) return usage();
        const char* name = argv[i];
        const char* value = argv[i + 1];
        if (std::strcmp(name, "--caption") == 0) {
            caption = value;
        } else if (std::strcmp(name, "--text") == 0) {
            text = value;
            haveText = true;
        } else if (std::strcmp(name, "--icon") == 0) {
            std::string kind = value;
            if (kind == "exclamation") icon = QMessageBox::Warning;
            else if (kind == "information") icon = QMessageBox::Information;
            else if (kind == "error") icon = QMessageBox::Critical;
            else if (kind == "question") icon = QMessageBox::Question;
            else return usage();
        } else {
            return usage();
        }
    }
    if (!haveText) return usage();

    int qtArgc = 1;
    QApplication application(qtArgc, argv);
    QMessageBox box(icon, QString::fromUtf8(caption), QString::fromUtf8(text), QMessageBox::Ok);
    box.setTextFormat(Qt::PlainText); // alert texts are never markup
    // The box must come to the front even though no window of this run exists.
    box.setWindowFlag(Qt::WindowStaysOnTopHint);
    box.show();
    box.raise();
    box.activateWindow();
    box.exec();
    return 0;
}
