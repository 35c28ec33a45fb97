#pragma once

#include "platform/core/dialogs.h"
#include "platform/core/help.h"
#include "platform/core/printer.h"
#include "platform/core/program_start.h"
#include "platform/core/registry.h"

#include <QList>
#include <QPageLayout>
#include <QStringList>

#include <functional>
#include <optional>

namespace plenarvo::testing {

// The save dialog answers from a script, in turn: a path, or nothing for Cancel.
// With the script used up it cancels. `whileOpen` runs while the dialog is "open".
class FakeDialogs final : public platform::Dialogs {
public:
    std::optional<QString> saveFile(QWidget* owner,
                                    const platform::SaveDialogRequest& request) override;
    QList<platform::SaveDialogRequest> requests;
    QList<std::optional<QString>> answers;
    std::function<void()> whileOpen;
};

// A printer that prints each job to a PDF file of its own, through the program's
// own page painting. The dialog answers `copies` (0 for Cancel).
class PdfPrinter final : public platform::Printer {
public:
    int showPrintDialog(QWidget* owner, const QString& title) override;
    bool printPicture(const QImage& picture, QPoint atTwips) override;

    QString folder;  // where the job files go
    int copies = 1;
    int failFromJob = -1;  // the first job that fails (from 0), -1 for none
    QPageLayout layout{QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(10, 15, 10, 15),
                       QPageLayout::Millimeter};
    QStringList dialogTitles;
    QStringList jobs;  // the PDF files written, in order
    int attempts = 0;
};

// Records what the help viewer was asked to open.
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
class FakeRegistry final : public platform::MemoryRegistry {
public:
    struct Open {
        std::uint32_t root;
        QString key;
        std::uint32_t access;
    };
    long openKey(std::uint32_t root, const QString& subKey, std::uint32_t access,
                 platform::RegistryKey* key) override;
    QList<Open> opened;
    QStringList refused;  // keys that cannot be opened with the access asked
};

// Records the programs started. A start succeeds when `succeeds` says so; by
// default when the file exists.
class FakeProgramStarter final : public platform::ProgramStarter {
public:
    bool start(const QString& path) override;
    QStringList started;  // every start asked for, successful or not
    std::function<bool(const QString&)> succeeds;
};

}  // namespace plenarvo::testing
