#pragma once

// Time, randomness and deferred work, behind seams that tests and dry runs
// replace: a test never waits for a real timer or depends on a real die.

#include <QDateTime>
#include <functional>
#include <memory>

namespace lorvanta {

class Clock {
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
};

// Uniform integers. The system one draws from the operating system's
// cryptographic source, which passwords need.
class Random {
public:
    virtual ~Random() = default;
    // A uniform integer in [0, bound); 0 when bound is 0.
    virtual quint32 below(quint32 bound) = 0;
};

// Runs work later on the main thread.
class Scheduler {
public:
    virtual ~Scheduler() = default;
    virtual void after(int milliseconds, std::function<void()> work) = 0;
};

class SystemClock final : public Clock {
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
};

class SystemRandom final : public Random {
public:
    quint32 below(quint32 bound) override;
};

// QTimer-driven: the work runs from the event loop, so nothing blocks it.
class EventLoopScheduler final : public Scheduler {
public:
    void after(int milliseconds, std::function<void()> work) override;
};

// Virtual time: `run` executes the queued work in time order at once and
// keeps the time it would have taken. Dry runs and tests use it.
class ManualScheduler final : public Scheduler {
public:
    void after(int milliseconds, std::function<void()> work) override;
    // Runs everything queued, including work queued by that work.
    void run();
    qint64 elapsed() const { return now_; }
    bool idle() const { return queue_.empty(); }

private:
    struct Item {
        qint64 at;
        quint64 order;
        std::function<void()> work;
    };
    std::vector<Item> queue_;
    qint64 now_ = 0;
    quint64 counter_ = 0;
};

class FixedClock final : public Clock {
public:
    explicit FixedClock(QDateTime t) : t_(std::move(t)) {}
    QDateTime now() const override { return t_; }
    void set(QDateTime t) { t_ = std::move(t); }

private:
    QDateTime t_;
};

// Answers from a list, round and round; for tests of dice and coins.
class SequenceRandom final : public Random {
public:
    explicit SequenceRandom(std::vector<quint32> values) : values_(std::move(values)) {}
    quint32 below(quint32 bound) override {
        if (bound == 0 || values_.empty()) return 0;
        const quint32 v = values_[next_++ % values_.size()];
        return v % bound;
    }

private:
    std::vector<quint32> values_;
    size_t next_ = 0;
};

} // namespace lorvanta
