#include "dataset/PacketCache.h"

#include "platform/Platform.h"

#include <algorithm>
#include <system_error>

namespace dataset {

PacketCache::~PacketCache() {
    {
        std::lock_guard<std::mutex> lock(FMutex);
        FStop = true;
        FJobs.clear();
    }
    FChanged.notify_all();
    if (FWorker.joinable()) FWorker.join();
}

bool PacketCache::Look(const std::string& Path, Stamp& When) {
    std::error_code ec;
    When.Size = std::filesystem::file_size(platform::FsPath(Path), ec);
    if (!ec) When.Time = std::filesystem::last_write_time(platform::FsPath(Path), ec);
    return !ec;
}

std::shared_ptr<const Table> PacketCache::Load(const std::string& Path) {
    // The worker's job for this packet: waited for when under way; one not
    // started is the worker's no longer and is parsed here.
    std::shared_ptr<Job> job;
    {
        std::unique_lock<std::mutex> lock(FMutex);
        const auto it =
            std::find_if(FJobs.begin(), FJobs.end(), [&](const auto& j) { return j.first == Path; });
        if (it != FJobs.end()) {
            job = it->second;
            FJobs.erase(it);
            if (job->Now == Job::Waiting)
                job.reset();
            else
                FChanged.wait(lock, [&] { return job->Now == Job::Done; });
        }
    }
    Stamp now;
    if (!Look(Path, now)) {
        FEntries.erase(Path);
        return ParsePacketFile(Path); // raises the error of the missing file
    }
    auto it = FEntries.find(Path);
    if (it != FEntries.end() && it->second.When == now) return it->second.Packet;
    if (it != FEntries.end()) FEntries.erase(it);
    // The worker's stamp was taken before its parse: a file rewritten since differs.
    if (job && job->Stamped && job->When == now) {
        if (job->Error) std::rethrow_exception(job->Error);
        FEntries[Path] = Entry{now, job->Packet};
        return job->Packet;
    }
    return Parse(Path, now);
}

std::shared_ptr<const Table> PacketCache::Parse(const std::string& Path, const Stamp& When) {
    // The stamp is taken before reading: a file rewritten meanwhile differs next time.
    auto table = ParsePacketFile(Path);
    ++FParses;
    FEntries[Path] = Entry{When, table};
    return table;
}

void PacketCache::Prefetch(const std::vector<std::string>& Paths) {
    {
        std::lock_guard<std::mutex> lock(FMutex);
        for (const std::string& path : Paths) {
            if (FEntries.count(path) ||
                std::any_of(FJobs.begin(), FJobs.end(), [&](const auto& j) { return j.first == path; }))
                continue;
            FJobs.emplace_back(path, std::make_shared<Job>());
        }
        if (FWorkerDone && FWorker.joinable()) FWorker.join(); // it holds the mutex no more
        if (!FJobs.empty() && !FWorker.joinable()) {
            FWorkerDone = false;
            try {
                FWorker = std::thread(&PacketCache::Work, this);
            } catch (const std::system_error&) {
                FJobs.clear(); // no thread to be had: every load parses its own packet
            }
        }
    }
    FChanged.notify_all();
}

bool PacketCache::Prefetching() {
    std::lock_guard<std::mutex> lock(FMutex);
    return std::any_of(FJobs.begin(), FJobs.end(), [](const auto& j) { return j.second->Now != Job::Done; });
}

void PacketCache::Work() {
    std::unique_lock<std::mutex> lock(FMutex);
    for (;;) {
        const auto next = std::find_if(FJobs.rbegin(), FJobs.rend(),
                                       [](const auto& j) { return j.second->Now == Job::Waiting; });
        // With nothing left the thread ends, and its parser and buffers with it.
        if (FStop || next == FJobs.rend()) {
            FWorkerDone = true;
            return;
        }
        const std::string path = next->first;
        const std::shared_ptr<Job> job = next->second;
        job->Now = Job::Running;
        lock.unlock();

        Stamp when;
        bool stamped = false;
        std::shared_ptr<const Table> table;
        std::exception_ptr error;
        try {
            stamped = Look(path, when);
            if (stamped) table = ParsePacketFile(path);
        } catch (...) {
            error = std::current_exception();
        }

        lock.lock();
        job->Stamped = stamped;
        job->When = when;
        job->Packet = std::move(table);
        job->Error = error;
        job->Now = Job::Done;
        if (job->Packet) ++FParses;
        FChanged.notify_all();
    }
}

void PacketCache::Clear() {
    {
        std::lock_guard<std::mutex> lock(FMutex);
        FJobs.clear();
    }
    FEntries.clear();
}

} // namespace dataset
