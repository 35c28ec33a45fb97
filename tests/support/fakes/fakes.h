#pragma once

#include "platform/core/dialogs.h"
#include "platform/core/help.h"
#include "platform/core/manual_clock.h"
#include "platform/core/platform.h"
#include "platform/core/printer.h"
#include "platform/core/program_start.h"
#include "platform/core/registry.h"

#include <QList>
#include <QPageLayout>
#include <QStringList>

#include <functional>
#include <optional>

namespace plenarvo::testing {

struct ShownMessage {
    QString text;
    QString title;
    platform::MessageIcon icon;
};

// Records every message box. `whileOpen` runs while a box is "open", e.g. to let
// timers fire behind it.
class FakeMessageBoxes final : public platform::MessageBoxes {
public:
    void show(const QString& text, const QString& title, platform::MessageIcon icon) override {
        shown.append({text, title, icon});
        if (whileOpen) {
            whileOpen(shown.last());
        }
    }
    QStringList texts() const;
    QList<ShownMessage> shown;
    std::function<void(const ShownMessage&)> whileOpen;
};

// Drives as a test lays them out: each a root folder, possibly one that is gone.
class FakeDrives final : public platform::Drives {
public:
    QList<platform::Drive> list() override { return drives; }
    QList<platform::Drive> drives{{QStringLiteral("/"), QStringLiteral("/")}};
};

// Draws from a script, in turn; a re-seed is recorded and leaves the script as it is.
class FakeRandom final : public platform::Random {
public:
    void reseed(double number) override { reseeds.append(number); }
    float draw() override {
        const float r = next();
        ++draws;
        return r;
    }
    std::optional<float> drawAfterReseed(double) const override { return next(); }
    QList<float> script;
    QList<double> reseeds;
    int draws = 0;

private:
    float next() const { return script.isEmpty() ? 0.0F : script[draws % script.size()]; }
};

// The save dialog answers from a script, in turn: a path, or nothing for Cancel
// (also once the script is used up).
class FakeDialogs final : public platform::Dialogs {
public:
    std::optional<QString> saveFile(QWidget*, const platform::SaveDialogRequest& request) override {
        requests.append(request);
        if (whileOpen) {
            whileOpen();
        }
        return answers.isEmpty() ? std::nullopt : answers.takeFirst();
    }
    QList<platform::SaveDialogRequest> requests;
    QList<std::optional<QString>> answers;
    std::function<void()> whileOpen;
};

// Prints each job to a PDF file of its own through the program's page painting.
// The print dialog answers `copies` (0 for Cancel).
class PdfPrinter final : public platform::Printer {
public:
    int showPrintDialog(QWidget*, const QString& title) override {
        dialogTitles.append(title);
        return copies;
    }
    bool printPicture(const QImage& picture, QPoint atTwips) override;

    QString folder;  // where the job files go
    int copies = 1;
    int resolution = 1200;  // dots to the inch
    int failFromJob = -1;   // the first job that fails (from 0), -1 for none
    QPageLayout layout{QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 15, 10, 15),
                       QPageLayout::Millimeter};
    QStringList dialogTitles;
    QStringList jobs;  // the PDF files written, in order
    int attempts = 0;
};

class FakeHelp final : public platform::Help {
public:
    struct Call {
        QWidget* owner;
        QString file;
        unsigned command;
        quintptr data;
    };
    void open(QWidget* owner, const QString& helpFile, unsigned command, quintptr data) override {
        calls.append({owner, helpFile, command, data});
    }
    QList<Call> calls;
};

// A registry in memory that records every key opened and can refuse a key.
// Records every start asked for; one succeeds when the file exists.
class FakeProgramStarter final : public platform::ProgramStarter {
public:
    bool start(const QString& path) override;
    QStringList started;
};

}  // namespace plenarvo::testing
