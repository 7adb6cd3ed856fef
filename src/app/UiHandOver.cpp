#include "app/UiHandOver.h"

namespace kq {

std::shared_ptr<UiHandOver> UiHandOver::Create(Poster post) {
    return std::shared_ptr<UiHandOver>(new UiHandOver(std::move(post)));
}

UiHandOver::UiHandOver(Poster post)
    : post_(std::move(post)), windowThread_(std::this_thread::get_id()) {}

bool UiHandOver::Run(const std::function<void()>& call) {
    if (std::this_thread::get_id() == windowThread_) {
        if (IsShut()) return false;
        call();
        return true;
    }
    auto job = std::make_shared<Job>();
    job->call = call;
    std::unique_lock lock(lock_);
    if (shut_) return false;
    // Posting under the lock: after Shutdown nothing more reaches the window.
    post_([self = shared_from_this(), job] { self->RunJob(*job); });
    changed_.wait(lock, [&] { return job->done || shut_; });
    return job->done;
}

void UiHandOver::RunJob(Job& job) {
    if (IsShut()) return;
    job.call();
    {
        std::lock_guard lock(lock_);
        job.done = true;
    }
    changed_.notify_all();
}

void UiHandOver::Post(std::function<void()> call) {
    std::lock_guard lock(lock_);
    if (shut_) return;
    post_([self = shared_from_this(), call = std::move(call)] {
        if (!self->IsShut()) call();
    });
}

void UiHandOver::Shutdown() {
    {
        std::lock_guard lock(lock_);
        shut_ = true;
    }
    changed_.notify_all();
}

bool UiHandOver::IsShut() const {
    std::lock_guard lock(lock_);
    return shut_;
}

}  // namespace kq
