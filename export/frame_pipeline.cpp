#include "export/frame_pipeline.h"

namespace {

void push(std::vector<PipelineFrame*>& ring, size_t head, size_t& count, PipelineFrame* f) {
    ring[(head + count) % ring.size()] = f;
    ++count;
}

PipelineFrame* pop(std::vector<PipelineFrame*>& ring, size_t& head, size_t& count) {
    PipelineFrame* f = ring[head];
    head = (head + 1) % ring.size();
    --count;
    return f;
}

} // namespace

FramePipeline::~FramePipeline() {
    std::string ignored;
    if (!threads.empty()) finish(ignored);
}

void FramePipeline::start(FrameSink& s, int workers, int buffers) {
    sink = &s;
    frames.assign(static_cast<size_t>(buffers), PipelineFrame{});
    freeRing.assign(frames.size(), nullptr);
    readyRing.assign(frames.size(), nullptr);
    orderRing.assign(frames.size(), nullptr);
    freeHead = readyHead = orderHead = freeCount = readyCount = orderCount = 0;
    for (PipelineFrame& f : frames)
        push(freeRing, freeHead, freeCount, &f);
    submitted = done = 0;
    delivering = stopping = failed = false;
    failure.clear();
    for (int i = 0; i < workers; ++i)
        threads.emplace_back([this] { work(); });
}

PipelineFrame* FramePipeline::next() {
    std::unique_lock<std::mutex> l(lock);
    changed.wait(l, [this] { return freeCount > 0 || failed; });
    if (failed) return nullptr;
    return pop(freeRing, freeHead, freeCount);
}

void FramePipeline::submit(PipelineFrame* f) {
    {
        std::lock_guard<std::mutex> l(lock);
        f->index = submitted++;
        f->prepared = false;
        push(readyRing, readyHead, readyCount, f);
        push(orderRing, orderHead, orderCount, f);
    }
    changed.notify_all();
}

bool FramePipeline::finish(std::string& error) {
    {
        std::unique_lock<std::mutex> l(lock);
        changed.wait(l, [this] { return done == submitted || failed; });
        stopping = true;
    }
    changed.notify_all();
    for (std::thread& t : threads)
        t.join();
    threads.clear();
    if (failed) error = failure;
    return !failed;
}

int64_t FramePipeline::delivered() const {
    std::lock_guard<std::mutex> l(lock);
    return done;
}

void FramePipeline::work() {
    std::unique_lock<std::mutex> l(lock);
    for (;;) {
        changed.wait(l, [this] { return readyCount > 0 || stopping; });
        if (readyCount == 0) return;
        PipelineFrame* f = pop(readyRing, readyHead, readyCount);
        if (!failed) {
            l.unlock();
            std::string error;
            const bool ok = sink->prepare(*f, error);
            l.lock();
            if (!ok && !failed) {
                failed = true;
                failure = error;
            }
        }
        f->prepared = true;
        if (deliverInOrder(l)) changed.notify_all();
    }
}

// Delivers the prepared frames at the head of the order, one thread at a
// time; returns whether a buffer came free.
bool FramePipeline::deliverInOrder(std::unique_lock<std::mutex>& l) {
    if (delivering) return false;
    delivering = true;
    bool freed = false;
    while (orderCount > 0 && orderRing[orderHead]->prepared) {
        PipelineFrame* f = pop(orderRing, orderHead, orderCount);
        if (!failed) {
            l.unlock();
            std::string error;
            const bool ok = sink->deliver(*f, error);
            l.lock();
            if (ok) {
                ++done;
            } else if (!failed) {
                failed = true;
                failure = error;
            }
        }
        push(freeRing, freeHead, freeCount, f);
        freed = true;
    }
    delivering = false;
    return freed || failed;
}
