// The launcher's entry point. The launcher window does not exist yet: this
// start loads the data folder (first run, backup prompt, migration), reports
// what it found, and exits through the orderly shutdown, which saves the
// settings and makes the backups.

#include "core/corestate.h"
#include "platform/linux/linuxplatform.h"

#include <QApplication>
#include <QCoreApplication>
#include <QTextStream>
#include <memory>

using namespace lorvanta;

int main(int argc, char** argv) {
    // The backup prompt needs a display; without one the prompt counts as "Ignore".
    const bool haveDisplay =
        qEnvironmentVariableIsSet("DISPLAY") || qEnvironmentVariableIsSet("WAYLAND_DISPLAY");
    std::unique_ptr<QCoreApplication> app = haveDisplay
                                                ? std::make_unique<QApplication>(argc, argv)
                                                : std::make_unique<QCoreApplication>(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Lorvanta"));
    QCoreApplication::setApplicationVersion(QStringLiteral(PROJECT_VERSION_TEXT));

    platform::LinuxPlatform os;
    const DataFolder folder(os.platform().environment);
    CoreState core(folder, os.platform());
    SettingsFile& settings = core.file;
    const KeywordStore& store = core.store;

    QTextStream out(stdout);
    const SettingsFile::ReadResult read = settings.ReadSettings(false);
    if (read == SettingsFile::ReadResult::Exit) return 0;

    out << "Lorvanta " << QCoreApplication::applicationVersion() << "\n"
        << "data folder: " << folder.path() << "\n"
        << (read == SettingsFile::ReadResult::FirstRun ? "first run: loaded default.exc\n" : "")
        << "keywords: " << store.size() << ", tags: " << store.tagList().join(u' ') << "\n"
        << "The launcher window is not built yet; this start loads and saves the data folder "
           "and exits.\n";
    out.flush();

    const IoStatus saved = settings.saveAtExit();
    if (!saved.ok()) {
        QTextStream(stderr) << "lorvanta: could not save the settings: " << saved.detail() << "\n";
        return 1;
    }
    return 0;
}
