#pragma once
#include "assets/texture_prep.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// Prepares a list of JPEG files on worker threads, a bounded number ahead of
// the GL thread, which takes them in list order. The look-ahead is a ring of
// `slots` reused buffers: picture k waits until picture k - slots is released.
// The GL thread may take a picture as soon as its preparation has begun and
// follow it through the slot's progress.
class TextureQueue {
  public:
    TextureQueue(std::vector<std::string> paths, int threads, int slots, int maxSize);
    ~TextureQueue();
    TextureQueue(const TextureQueue&) = delete;
    TextureQueue& operator=(const TextureQueue&) = delete;

    // Waits until the preparation of picture k has begun. Pictures are taken
    // in order, each released before the next is taken.
    PreparedTexture& take(size_t k);
    void release(size_t k);

  private:
    void work();

    std::vector<std::string> paths;
    int maxSize;
    std::vector<std::unique_ptr<PreparedTexture>> ring;
    std::vector<bool> begun;
    size_t next = 0;     // the next picture a worker starts
    size_t released = 0; // pictures given back by the GL thread
    bool stopping = false;
    std::mutex lock;
    std::condition_variable changed;
    std::vector<std::thread> workers;
};
