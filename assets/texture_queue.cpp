#include "assets/texture_queue.h"

TextureQueue::TextureQueue(std::vector<std::string> list, int threads, int slots, int max)
    : paths(std::move(list)), maxSize(max), begun(paths.size(), false) {
    if (slots < 1) slots = 1;
    if (threads < 1) threads = 1;
    for (int i = 0; i < slots; ++i) {
        ring.push_back(std::make_unique<PreparedTexture>());
        ring.back()->followed = true;
    }
    for (int i = 0; i < threads; ++i)
        workers.emplace_back([this] { work(); });
}

TextureQueue::~TextureQueue() {
    {
        std::lock_guard<std::mutex> g(lock);
        stopping = true;
    }
    changed.notify_all();
    for (std::thread& t : workers)
        t.join();
}

void TextureQueue::work() {
    std::unique_lock<std::mutex> g(lock);
    for (;;) {
        if (stopping || next >= paths.size()) return;
        const size_t k = next++;
        // Its slot is free once picture k - slots has been released.
        changed.wait(g, [&] { return stopping || k < released + ring.size(); });
        if (stopping) return;
        PreparedTexture& slot = *ring[k % ring.size()];
        // Cleared before the GL thread may take picture k and look at it.
        slot.progress.reset();
        begun[k] = true;
        changed.notify_all();
        g.unlock();
        prepareTexture(paths[k], slot, true, maxSize);
        g.lock();
    }
}

PreparedTexture& TextureQueue::take(size_t k) {
    std::unique_lock<std::mutex> g(lock);
    changed.wait(g, [&] { return begun[k]; });
    return *ring[k % ring.size()];
}

void TextureQueue::release(size_t k) {
    {
        std::lock_guard<std::mutex> g(lock);
        released = k + 1;
    }
    changed.notify_all();
}
