#pragma once
// Values made once per key for the life of one scan, on several threads: whoever asks for a value
// that another thread is making waits for it instead of making it again. A value that `keep`
// refuses (a stopped listing, a failure that may pass) goes to those who waited for it and is
// then forgotten: whoever asks next makes it again.

#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>

namespace stallscan::listing {

template <class Value>
class Memo {
  public:
    using Keep = bool (*)(const Value&);
    explicit Memo(Keep keep) : keep_(keep) {}

    // The value of `key`: the one kept from before, the one in the making (awaited), or the one
    // `make` makes now, outside the lock. Nothing when `stop` is requested while it waits.
    template <class Make>
    std::optional<Value> Get(const std::string& key, const std::stop_token& stop, Make make) {
        std::unique_lock lock(mutex_);
        for (auto found = entries_.find(key); found != entries_.end();
             found = entries_.find(key)) {
            const std::shared_ptr<Entry> entry = found->second;
            if (!entry->finished.wait(lock, stop, [&] { return entry->value.has_value(); })) {
                return std::nullopt;
            }
            if (keep_(*entry->value)) {
                return entry->value;
            }
            // Forgotten by the one who made it: look again, and make it when nobody else does.
        }
        const auto entry = std::make_shared<Entry>();
        entries_.emplace(key, entry);
        lock.unlock();

        Value value = make();

        lock.lock();
        entry->value = value;
        if (!keep_(value)) {
            entries_.erase(key);
        }
        entry->finished.notify_all();
        return value;
    }

  private:
    struct Entry {
        std::optional<Value> value;  // empty while it is being made
        std::condition_variable_any finished;
    };
    const Keep keep_;
    std::mutex mutex_;
    std::map<std::string, std::shared_ptr<Entry>> entries_;
};

}  // namespace stallscan::listing
