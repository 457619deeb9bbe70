#pragma once
// Parsed packets of one run. A packet read by several datasets (the data check,
// the catalogue date, the school count, the export) is parsed once; a file whose
// size or write time differs from the cached one is parsed again.
//
// Packets named in advance are parsed by a worker thread while the program
// reads others; a load still takes them one at a time in the program's order,
// so the error raised is the one of the first packet that fails, as without
// the worker.

#include "dataset/PacketTable.h"

#include <atomic>
#include <condition_variable>
#include <exception>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace dataset {

class PacketCache {
public:
    PacketCache() = default;
    // Waits for the packet the worker is parsing; the ones not started are
    // dropped. The worker ends when it has nothing left to parse.
    ~PacketCache();
    PacketCache(const PacketCache&) = delete;
    PacketCache& operator=(const PacketCache&) = delete;

    // The table of the packet at Path, parsed when not cached or changed on disk.
    // Raises what ParsePacketFile raises.
    std::shared_ptr<const Table> Load(const std::string& Path);
    // Starts parsing the packets at Paths in the background, the last named
    // first; a Load of one the worker has not started parses it at once
    // itself. A packet already cached or named before is not named again.
    void Prefetch(const std::vector<std::string>& Paths);
    // Whether a packet named to Prefetch still waits for the worker or is
    // being parsed; callable from any thread.
    bool Prefetching();
    void Clear();
    // How many packets this cache has parsed.
    int ParseCount() const { return FParses.load(); }

private:
    struct Stamp {
        std::uintmax_t Size = 0;
        std::filesystem::file_time_type Time;
        bool operator==(const Stamp&) const = default;
    };
    struct Entry {
        Stamp When;
        std::shared_ptr<const Table> Packet;
    };
    // A packet named to the worker; guarded by FMutex.
    struct Job {
        enum State { Waiting, Running, Done } Now = Waiting;
        bool Stamped = false; // the file could be looked at before the parse
        Stamp When;
        std::shared_ptr<const Table> Packet;
        std::exception_ptr Error;
    };

    static bool Look(const std::string& Path, Stamp& When);
    std::shared_ptr<const Table> Parse(const std::string& Path, const Stamp& When);
    void Work();

    std::unordered_map<std::string, Entry> FEntries;
    std::atomic<int> FParses{0};

    std::mutex FMutex;
    std::condition_variable FChanged;
    std::vector<std::pair<std::string, std::shared_ptr<Job>>> FJobs; // in the order named
    bool FStop = false;
    bool FWorkerDone = false; // the worker found nothing to do and ended
    std::thread FWorker;
};

} // namespace dataset
