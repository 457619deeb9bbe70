// Loading a dataset from a packet: the one part of the dataset that needs the
// packet reader, kept apart so the rest links without it.

#include "dataset/ClientDataSet.h"

#include "dataset/PacketCache.h"
#include "dataset/PacketTable.h"

void TClientDataSet::LoadFromFile(const std::string& Path) {
    Close();
    dataset::PacketCache* PacketCache = Cache();
    Opened(PacketCache ? PacketCache->Load(Path) : dataset::ParsePacketFile(Path));
}

void TClientDataSet::LoadFromBuffer(std::string_view Bytes, const std::string& Name) {
    Close();
    Opened(dataset::ParsePacket(Bytes, Name));
}
