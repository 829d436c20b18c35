#pragma once
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// One drawn frame on its way out: the pixels as the drawing thread read them
// back, and a buffer of the sink's own (a converted picture) that is kept
// from frame to frame.
struct PipelineFrame {
    std::vector<uint8_t> rgb;  // width * height * 3, top row first
    std::vector<uint8_t> work; // the sink's
    int64_t index = 0;         // 0 for the first frame handed on
    int32_t time = 0;          // show time, ms
    bool prepared = false;
};

// What happens to the frames. prepare() runs on any worker thread, several
// frames at once, in any order; deliver() runs for one frame at a time, in the
// order the frames were handed on. Either returns false with the reason to
// stop the pipeline.
class FrameSink {
  public:
    virtual ~FrameSink() = default;
    virtual bool prepare(PipelineFrame& frame, std::string& error) = 0;
    virtual bool deliver(PipelineFrame& frame, std::string& error) = 0;
};

// Overlaps the drawing with what is done with each drawn frame: a fixed set
// of frame buffers, reused, goes round from the drawing thread (next(),
// submit()) to `workers` threads and back. When every buffer is on its way
// the drawing thread waits in next(), so the queue stays bounded. Nothing is
// allocated after start() but the buffers' first fill.
class FramePipeline {
  public:
    ~FramePipeline();

    void start(FrameSink& sink, int workers, int buffers);
    // A free buffer to draw into; waits for one. Null once the sink failed.
    PipelineFrame* next();
    // Hands the buffer on (frame->time set by the caller).
    void submit(PipelineFrame* frame);
    // Waits until every submitted frame is delivered (or the sink failed),
    // then stops the workers. False with the sink's reason on a failure.
    bool finish(std::string& error);
    // Frames delivered so far.
    int64_t delivered() const;

  private:
    void work();
    bool deliverInOrder(std::unique_lock<std::mutex>& lock);

    FrameSink* sink = nullptr;
    std::vector<PipelineFrame> frames;
    std::vector<std::thread> threads;
    mutable std::mutex lock;
    std::condition_variable changed;
    // Rings of frame pointers, sized to hold every buffer.
    std::vector<PipelineFrame*> freeRing, readyRing, orderRing;
    size_t freeHead = 0, freeCount = 0, readyHead = 0, readyCount = 0, orderHead = 0, orderCount = 0;
    int64_t submitted = 0, done = 0;
    bool delivering = false, stopping = false, failed = false;
    std::string failure;
};
