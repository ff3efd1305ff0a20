// Opening a document or an address without holding up the event loop: the
// desktop's opener runs on a helper thread, and its answer comes back to
// the user-interface thread at the next poll of a short timer, where the
// caller's completion runs. Answers that arrive after the desktop is gone
// are dropped with the shared mailbox.
#include "opener.h"

#include <thread>

#include "korvane/toolkit/desktop_opener.h"
#include "widget_kinds.h"

namespace korvane::tk::qt {

LaterOpens::LaterOpens() {
    poll_.setInterval(kPollMs);
    QObject::connect(&poll_, &QTimer::timeout, [this] { Deliver(); });
}

LaterOpens::~LaterOpens() = default;

void LaterOpens::Start(std::string target, std::function<void(std::intptr_t)> done) {
    const std::uint64_t id = next_++;
    waiting_.emplace(id, std::move(done));
    std::thread([mailbox = mailbox_, id, target = std::move(target)] {
        const std::intptr_t code = OpenWithDesktop(target);
        std::lock_guard<std::mutex> hold(mailbox->Lock);
        mailbox->Answers.emplace_back(id, code);
    }).detach();
    if (!poll_.isActive())
        poll_.start();
}

bool LaterOpens::Busy() const {
    return !waiting_.empty();
}

void LaterOpens::Deliver() {
    std::vector<std::pair<std::uint64_t, std::intptr_t>> answers;
    {
        std::lock_guard<std::mutex> hold(mailbox_->Lock);
        answers.swap(mailbox_->Answers);
    }
    for (const auto& [id, code] : answers) {
        auto it = waiting_.find(id);
        if (it == waiting_.end())
            continue;
        // Taken out of the table before it runs: a completion that shows a
        // modal message runs events, and this poll with them.
        auto done = std::move(it->second);
        waiting_.erase(it);
        if (done)
            Guarded([&] { done(code); });
    }
    if (waiting_.empty())
        poll_.stop();
}

}  // namespace korvane::tk::qt
