#include "fakeplatform.h"

namespace lorvanta::platform {

namespace {

class FakeEnvironment final : public Environment {
public:
    explicit FakeEnvironment(FakePlatform& f) : f_(f) {}
    QString programFolder() const override { return f_.programFolder; }
    QString configFolder() const override { return f_.configFolder; }
    QString homeFolder() const override { return f_.homeFolder; }
    std::optional<QString> variable(const QString& name) const override {
        if (const auto it = f_.variables.constFind(name); it != f_.variables.cend()) return *it;
        for (auto it = f_.variables.cbegin(); it != f_.variables.cend(); ++it)
            if (it.key().compare(name, Qt::CaseInsensitive) == 0) return it.value();
        return std::nullopt;
    }
    QStringList searchPath() const override { return f_.searchPath; }

private:
    FakePlatform& f_;
};

class FakeDialogs final : public Dialogs {
public:
    explicit FakeDialogs(FakePlatform& f) : f_(f) {}
    int question(const QString& caption, const QString& text, const QStringList& buttons) override {
        Q_UNUSED(text);
        const int answer = f_.nextAnswer();
        f_.record(
            QStringLiteral("question %1 [%2] -> %3").arg(caption, buttons.join(u'|')).arg(answer));
        return answer;
    }
    void message(const QString& caption, const QString& text) override {
        f_.record(QStringLiteral("message %1: %2").arg(caption, text));
    }

private:
    FakePlatform& f_;
};

class FakeShell final : public Shell {
public:
    explicit FakeShell(FakePlatform& f) : f_(f) {}
    bool openFolder(const QString& path) override {
        f_.record(QStringLiteral("openFolder ") + path);
        return true;
    }

private:
    FakePlatform& f_;
};

class FakeProcessControl final : public ProcessControl {
public:
    explicit FakeProcessControl(FakePlatform& f) : f_(f) {}
    void exitProcess(int code) override { f_.record(QStringLiteral("exitProcess %1").arg(code)); }

private:
    FakePlatform& f_;
};

QString showName(ShowCommand s) {
    switch (s) {
    case ShowCommand::Normal:
        return QStringLiteral("normal");
    case ShowCommand::Minimized:
        return QStringLiteral("minimized");
    case ShowCommand::Maximized:
        return QStringLiteral("maximized");
    case ShowCommand::Hidden:
        return QStringLiteral("hidden");
    }
    return {};
}

class FakeLauncher final : public Launcher {
public:
    explicit FakeLauncher(FakePlatform& f) : f_(f) {}
    int shellExecute(const LaunchRequest& r) override {
        f_.record(QStringLiteral("shellExecute file=%1 parameters=%2 folder=%3 show=%4%5")
                      .arg(r.file, r.parameters, r.folder, showName(r.show),
                           r.elevated ? QStringLiteral(" elevated") : QString()));
        return f_.launchResults.value(r.file, f_.launchResult);
    }
    QString defaultBrowserEntry() override { return f_.browserEntry; }
    void runAndCapture(const QString& file, const QString& parameters, const QString& folder,
                       int timeoutMs, std::function<void(const QString&)> done) override {
        f_.record(QStringLiteral("runAndCapture file=%1 parameters=%2 folder=%3 timeout=%4")
                      .arg(file, parameters, folder)
                      .arg(timeoutMs));
        done(f_.captureOutput);
    }
    void fetchUrlText(const QString& url, int timeoutMs,
                      std::function<void(const QString&)> done) override {
        f_.record(QStringLiteral("fetchUrlText %1 timeout=%2").arg(url).arg(timeoutMs));
        done(f_.urlText);
    }

private:
    FakePlatform& f_;
};

class FakeSystem final : public System {
public:
    explicit FakeSystem(FakePlatform& f) : f_(f) {}
    bool power(PowerAction a) override {
        static const char* const names[] = {"poweroff", "reboot", "suspend", "hibernate", "logout"};
        f_.record(QStringLiteral("power ") + QString::fromLatin1(names[int(a)]));
        return f_.powerOk;
    }
    bool lockSession() override { return recorded("lockSession"); }
    bool startScreenSaver() override { return recorded("startScreenSaver"); }
    bool monitorOff() override { return recorded("monitorOff"); }
    std::optional<int> emptyTrash() override {
        f_.record(QStringLiteral("emptyTrash"));
        return f_.powerOk ? std::optional<int>(0) : std::nullopt;
    }
    QStringList ipv4Addresses() override { return f_.ipv4; }
    std::optional<MemoryInfo> memory() override { return f_.memoryInfo; }

private:
    bool recorded(const char* call) {
        f_.record(QString::fromLatin1(call));
        return f_.powerOk;
    }
    FakePlatform& f_;
};

// The active window is the one the test names; activating records the call.
class FakeWindowFocus final : public WindowFocus {
public:
    explicit FakeWindowFocus(FakePlatform& f) : f_(f) {}
    WindowHandle activeWindow() override { return f_.activeWindow; }
    bool activate(WindowHandle window) override {
        if (f_.goneWindows.contains(window)) return false;
        f_.record(QStringLiteral("activateWindow %1").arg(window));
        return true;
    }
    std::optional<QRect> geometry(WindowHandle window) override {
        if (f_.goneWindows.contains(window) || !f_.windowGeometries.contains(window))
            return std::nullopt;
        return f_.windowGeometries.value(window);
    }
    void present(WindowHandle own, quint32 timestamp) override {
        f_.record(QStringLiteral("presentWindow %1 %2").arg(own).arg(timestamp));
    }

private:
    FakePlatform& f_;
};

// Registrations are recorded and kept; the test presses and refuses.
class FakeHotkeys final : public GlobalHotkeys {
public:
    explicit FakeHotkeys(FakePlatform& f) : f_(f) {}
    void setEvents(HotkeyEvents events) override { events_ = std::move(events); }
    bool add(int id, int key, int modifiers) override {
        f_.record(QStringLiteral("hotkeyAdd %1 %2 %3").arg(id).arg(key).arg(modifiers));
        f_.hotkeys.remove(id);
        if (f_.refusedHotkeys.contains(qMakePair(key, modifiers))) return false;
        f_.hotkeys.insert(id, qMakePair(key, modifiers));
        return true;
    }
    void describe(int id, const QString& name, const QString& description) override {
        f_.record(QStringLiteral("hotkeyDescribe %1 %2 %3").arg(id).arg(name, description));
    }
    void remove(int id) override {
        f_.record(QStringLiteral("hotkeyRemove %1").arg(id));
        f_.hotkeys.remove(id);
    }
    bool held(int, int) override {
        if (f_.heldChecks <= 0) return false;
        --f_.heldChecks;
        return true;
    }
    void holdKeyboard(quint32 timestamp) override {
        f_.record(QStringLiteral("holdKeyboard %1").arg(timestamp));
    }
    void releaseKeyboard() override { f_.record(QStringLiteral("releaseKeyboard")); }
    HotkeyEvents events_;

private:
    FakePlatform& f_;
};

class FakeKeyWatch final : public KeyWatch {
public:
    explicit FakeKeyWatch(FakePlatform& f) : f_(f) {}
    bool start(std::function<void(const RawKey&)> handler) override {
        f_.record(QStringLiteral("keyWatchStart"));
        handler_ = std::move(handler);
        return true;
    }
    void stop() override {
        if (handler_) f_.record(QStringLiteral("keyWatchStop"));
        handler_ = nullptr;
    }
    std::function<void(const RawKey&)> handler_;

private:
    FakePlatform& f_;
};

} // namespace

struct FakePlatform::Impl {
    explicit Impl(FakePlatform& f)
        : environment(f), dialogs(f), shell(f), process(f), launcher(f), system(f), focus(f),
          hotkeys(f), keys(f) {}
    FakeEnvironment environment;
    FakeDialogs dialogs;
    FakeShell shell;
    FakeProcessControl process;
    FakeLauncher launcher;
    FakeSystem system;
    FakeWindowFocus focus;
    FakeHotkeys hotkeys;
    FakeKeyWatch keys;
};

FakePlatform::FakePlatform()
    : impl_(std::make_unique<Impl>(*this)),
      platform_(std::make_unique<Platform>(
          Platform{impl_->environment, impl_->dialogs, impl_->shell, impl_->process,
                   impl_->launcher, impl_->system, impl_->focus, impl_->hotkeys, impl_->keys})) {}

FakePlatform::~FakePlatform() = default;

Platform FakePlatform::platformWith(Environment& environment) {
    return Platform{environment,   impl_->dialogs, impl_->shell,   impl_->process, impl_->launcher,
                    impl_->system, impl_->focus,   impl_->hotkeys, impl_->keys};
}

void FakePlatform::pressHotkey(int id, quint32 timestamp) {
    if (impl_->hotkeys.events_.pressed) impl_->hotkeys.events_.pressed(id, timestamp);
}

void FakePlatform::refuseHotkeyLater(int id, const QString& reason) {
    hotkeys.remove(id);
    if (impl_->hotkeys.events_.refused) impl_->hotkeys.events_.refused(id, reason);
}

void FakePlatform::seeKey(const RawKey& key) {
    if (impl_->keys.handler_) impl_->keys.handler_(key);
}

bool FakePlatform::keyWatchRunning() const {
    return bool(impl_->keys.handler_);
}

int FakePlatform::nextAnswer() {
    if (answers_.empty()) return -1;
    const int a = answers_.front();
    answers_.pop_front();
    return a;
}

} // namespace lorvanta::platform
