// The second start's client against instances that misbehave, and the two
// steps of becoming the instance.

#include "shell/handover.h"
#include "shell/instance.h"
#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <atomic>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

using namespace lorvanta;
using lorvanta::test::s;

namespace {

// A private folder of the test's own, as privateRuntimeFolder would pass it.
struct Folder {
    QTemporaryDir dir;
    QString path() const { return dir.path(); }
};

// An instance stand-in on a plain socket: it reads one whole frame, then
// answers as `answer` says, on a thread of its own so that the client may
// block.
class FakeInstance {
public:
    enum class Answer { Receipt, WrongByte, Close, Silent };

    FakeInstance(const QString& folder, Answer answer) : answer_(answer) {
        fd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un a{};
        a.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(instanceSocketPath(folder));
        std::memcpy(a.sun_path, name.constData(), size_t(name.size()));
        EXPECT_EQ(::bind(fd_, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
        EXPECT_EQ(::listen(fd_, 4), 0);
        thread_ = std::thread([this] { serve(); });
    }
    ~FakeInstance() {
        done_ = true;
        ::shutdown(fd_, SHUT_RDWR);
        if (peer_ >= 0) ::shutdown(peer_, SHUT_RDWR);
        thread_.join();
        ::close(fd_);
    }
    QByteArray received() const { return received_; }

private:
    void serve() {
        peer_ = ::accept(fd_, nullptr, nullptr);
        if (peer_ < 0) return;
        char buf[256];
        while (received_.size() < handover::kHeaderSize ||
               received_.size() < handover::kHeaderSize + wantedPayload()) {
            const ssize_t n = ::read(peer_, buf, sizeof buf);
            if (n <= 0) break;
            received_.append(buf, n);
        }
        const char wrong = 'x';
        if (answer_ == Answer::Receipt) (void)::write(peer_, &handover::kReceipt, 1);
        if (answer_ == Answer::WrongByte) (void)::write(peer_, &wrong, 1);
        if (answer_ == Answer::Silent)
            while (!done_ && ::read(peer_, buf, sizeof buf) > 0) {
            }
        ::close(peer_);
    }
    qsizetype wantedPayload() const {
        return qFromBigEndian<quint32>(received_.constData() + handover::kMagicSize);
    }

    Answer answer_;
    int fd_ = -1;
    int peer_ = -1;
    QByteArray received_;
    std::atomic<bool> done_{false};
    std::thread thread_;
};

} // namespace

TEST(InstanceClient, DeliversOnlyWhatTheInstanceConfirms) {
    using A = FakeInstance::Answer;
    const struct {
        const char* what;
        A answer;
        bool delivered;
        const char* error;
    } cases[] = {
        {"the receipt", A::Receipt, true, ""},
        {"a wrong receipt", A::WrongByte, false, "wrong receipt"},
        {"the connection closed unanswered", A::Close, false, "did not confirm"},
        {"no answer at all", A::Silent, false, "did not confirm"},
    };
    const InstanceMessage m{message::Input, s("some text é")};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Folder folder;
        FakeInstance instance(folder.path(), c.answer);
        InstanceClient client(folder.path());
        ASSERT_TRUE(client.connect()) << client.errorString().toStdString();
        EXPECT_EQ(client.deliver(m, 500), c.delivered);
        EXPECT_TRUE(client.errorString().contains(s(c.error)))
            << client.errorString().toStdString();
        EXPECT_EQ(instance.received(), handover::frame(m)) << "the whole frame went out";
    }
}

TEST(InstanceClient, ConnectFailsAtOnceWhereNobodyListens) {
    Folder folder;
    const QString tooLong = folder.path() + u'/' + QString(120, u'x');
    QDir().mkpath(tooLong);
    const struct {
        const char* what;
        QString folder;
        const char* error;
    } cases[] = {
        {"no instance", folder.path(), "LorvantaMB"},
        {"no private folder", QString(), "no private runtime folder"},
        {"a path too long for a socket", tooLong, "too long"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        InstanceClient client(c.folder);
        EXPECT_FALSE(client.connect());
        EXPECT_TRUE(client.errorString().contains(s(c.error)))
            << client.errorString().toStdString();
        EXPECT_FALSE(client.deliver({message::Open, {}}, 100)) << "nothing to deliver on";
    }
}

// A start that holds the lock but cannot listen must give the lock back, or
// every later start would wait for an instance that never answers.
TEST(SingleInstance, AFailedListenGivesTheLockBack) {
    Folder folder;
    SingleInstance first(folder.path());
    ASSERT_TRUE(first.takeLock());
    // A folder where the socket belongs: it can be neither removed nor bound.
    QDir().mkpath(instanceSocketPath(folder.path()) + s("/blocked"));
    EXPECT_FALSE(first.listen());
    EXPECT_FALSE(first.errorString().isEmpty());

    SingleInstance next(folder.path());
    EXPECT_TRUE(next.takeLock()) << "the lock was left held";
}
