#pragma once
// TdmTxadMain: the data module of both editions. It owns the working dataset
// cdsMain (shown by the registry grid through dsMain), the site list
// cdsSelSedi and the zip component zpOut for the whole run, and the run's
// packet cache, through which every dataset of the run loads, so a packet read
// by the data check, the school count and the export is parsed once.

#include "dataset/ClientDataSet.h"
#include "dataset/PacketCache.h"
#include "zip/Zip.h"

#include <memory>
#include <string>
#include <vector>

class DataSetModel;

class TdmTxadMain {
public:
    // Cache: one whose parsing began before the module was made (the
    // program's first moments); nullptr for a cache of its own.
    explicit TdmTxadMain(std::unique_ptr<dataset::PacketCache> Cache = nullptr);
    ~TdmTxadMain();
    TdmTxadMain(const TdmTxadMain&) = delete;
    TdmTxadMain& operator=(const TdmTxadMain&) = delete;

    // Makes DataSet load through the run's packet cache.
    void Share(TClientDataSet& DataSet) { DataSet.SetPacketCache(FCache.get()); }
    // Starts parsing the packets the run will load (dataset::PacketCache::Prefetch).
    void Prefetch(const std::vector<std::string>& Paths) { FCache->Prefetch(Paths); }
    // A packet named to Prefetch is still being parsed or waits for it.
    bool Prefetching() { return FCache->Prefetching(); }
    // Drops the parsed packets no dataset holds; a later load parses again.
    void ReleasePackets() { FCache->Clear(); }

    TClientDataSet cdsMain{"cdsMain"};
    TClientDataSet cdsSelSedi{"cdsSelSedi"};
    // The data source of cdsMain: the grid's model.
    DataSetModel* dsMain = nullptr;
    TZip zpOut;

private:
    std::unique_ptr<dataset::PacketCache> FCache;
    std::unique_ptr<DataSetModel> FModel;
};
