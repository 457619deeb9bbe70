#include "PacketCache.h"

#include "platform/Platform.h"

#include <algorithm>
#include <system_error>

namespace dataset {

PacketCache::~PacketCache() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
        m_jobs.clear();
    }
    m_changed.notify_all();
    if (m_worker.joinable()) m_worker.join();
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
        std::unique_lock<std::mutex> lock(m_mutex);
        const auto it =
            std::find_if(m_jobs.begin(), m_jobs.end(), [&](const auto& j) { return j.first == Path; });
        if (it != m_jobs.end()) {
            job = it->second;
            m_jobs.erase(it);
            if (job->Now == Job::Waiting)
                job.reset();
            else
                m_changed.wait(lock, [&] { return job->Now == Job::Done; });
        }
    }
    Stamp now;
    if (!Look(Path, now)) {
        m_entries.erase(Path);
        return ParsePacketFile(Path); // raises the error of the missing file
    }
    auto it = m_entries.find(Path);
    if (it != m_entries.end() && it->second.When == now) return it->second.Packet;
    if (it != m_entries.end()) m_entries.erase(it);
    // The worker's stamp was taken before its parse: a file rewritten since differs.
    if (job && job->Stamped && job->When == now) {
        if (job->Error) std::rethrow_exception(job->Error);
        m_entries[Path] = Entry{now, job->Packet};
        return job->Packet;
    }
    return Parse(Path, now);
}

std::shared_ptr<const Table> PacketCache::Parse(const std::string& Path, const Stamp& When) {
    // The stamp is taken before reading: a file rewritten meanwhile differs next time.
    auto table = ParsePacketFile(Path);
    ++m_parses;
    m_entries[Path] = Entry{When, table};
    return table;
}

void PacketCache::Prefetch(const std::vector<std::string>& Paths) {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        for (const std::string& path : Paths) {
            if (m_entries.count(path) ||
                std::any_of(m_jobs.begin(), m_jobs.end(), [&](const auto& j) { return j.first == path; }))
                continue;
            m_jobs.emplace_back(path, std::make_shared<Job>());
        }
        if (m_workerDone && m_worker.joinable()) m_worker.join(); // it holds the mutex no more
        if (!m_jobs.empty() && !m_worker.joinable()) {
            m_workerDone = false;
            try {
                m_worker = std::thread(&PacketCache::Work, this);
            } catch (const std::system_error&) {
                m_jobs.clear(); // no thread to be had: every load parses its own packet
            }
        }
    }
    m_changed.notify_all();
}

void PacketCache::Work() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        const auto next = std::find_if(m_jobs.rbegin(), m_jobs.rend(),
                                       [](const auto& j) { return j.second->Now == Job::Waiting; });
        // With nothing left the thread ends, and its parser and buffers with it.
        if (m_stop || next == m_jobs.rend()) {
            m_workerDone = true;
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
        if (job->Packet) ++m_parses;
        m_changed.notify_all();
    }
}

void PacketCache::Clear() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_jobs.clear();
    }
    m_entries.clear();
}

} // namespace dataset
