#include "ThreadPool.h"

namespace ostrovel {

void TThreadQueue::Push(std::unique_ptr<TRequest> request) {
  std::lock_guard<std::mutex> hold(mutex_);
  if (finished_.load()) return;
  requests_.push_back(std::move(request));
  ready_.notify_one();
}

std::unique_ptr<TRequest> TThreadQueue::Pop() {
  std::unique_lock<std::mutex> hold(mutex_);
  ready_.wait(hold, [this] { return finished_.load() || !requests_.empty(); });
  if (finished_.load()) return nullptr;
  auto request = std::move(requests_.front());
  requests_.pop_front();
  return request;
}

void TThreadQueue::Finish() {
  std::lock_guard<std::mutex> hold(mutex_);
  finished_.store(true);
  ready_.notify_all();
}

TSimpleThread::TSimpleThread(TProc proc)
    : proc_(std::move(proc)), thread_([this] {
        if (proc_) proc_(*this);
      }) {}

TSimpleThread::~TSimpleThread() {
  WaitFor();
}

void TSimpleThread::WaitFor() {
  if (thread_.joinable()) thread_.join();
}

TThreadPool::TThreadPool(int threadCount, THandler handler) : handler_(std::move(handler)) {
  for (int i = 0; i < threadCount; ++i)
    threads_.push_back(std::make_unique<TSimpleThread>([this](TSimpleThread& t) { Work(t); }));
}

TThreadPool::~TThreadPool() {
  queue_.Finish();
  for (auto& thread : threads_) thread->Terminate();
  for (auto& thread : threads_) thread->WaitFor();
  threads_.clear();
}

void TThreadPool::Work(TSimpleThread& thread) {
  while (!thread.Terminated()) {
    std::unique_ptr<TRequest> request = queue_.Pop();
    if (!request || thread.Terminated()) return;
    try {
      handler_(*request, thread);
    } catch (...) {
      // A failing request must not stop the worker; the next one still runs.
    }
  }
}

}  // namespace ostrovel
