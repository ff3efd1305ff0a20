// Opening a document or an address while the event loop goes on (see
// opener.cpp).
#pragma once

#include <QTimer>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace korvane::tk::qt {

class LaterOpens {
public:
    LaterOpens();
    ~LaterOpens();
    LaterOpens(const LaterOpens&) = delete;
    LaterOpens& operator=(const LaterOpens&) = delete;

    // Starts the opener for `target`; `done` runs on this thread with its
    // code once it has answered.
    void Start(std::string target, std::function<void(std::intptr_t)> done);
    bool Busy() const;

private:
    static constexpr int kPollMs = 15;
    // Filled by the helper threads, emptied by the poll; the threads hold it
    // too, so it outlives a desktop that goes first.
    struct Mailbox {
        std::mutex Lock;
        std::vector<std::pair<std::uint64_t, std::intptr_t>> Answers;
    };
    void Deliver();

    std::shared_ptr<Mailbox> mailbox_ = std::make_shared<Mailbox>();
    std::map<std::uint64_t, std::function<void(std::intptr_t)>> waiting_;
    std::uint64_t next_ = 1;
    QTimer poll_;
};

}  // namespace korvane::tk::qt
