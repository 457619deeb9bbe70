#include "export/records/RecordLines.h"

#include "platform/Platform.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "platform/Platform.h"

namespace txad {

RecordLines::RecordLines(std::string_view Bytes) : FBytes(Bytes) {
    std::size_t Start = 0;
    while (Start < Bytes.size()) {
        FStarts.push_back(Start);
        const std::size_t Lf = Bytes.find('\n', Start);
        if (Lf == std::string_view::npos) break;
        Start = Lf + 1;
    }
}

std::string_view RecordLines::Line(std::size_t Index) const {
    const std::size_t Start = FStarts[Index];
    std::size_t End = Index + 1 < FStarts.size() ? FStarts[Index + 1] - 1 : FBytes.find('\n', Start);
    if (End == std::string_view::npos) return FBytes.substr(Start);
    if (End > Start && FBytes[End - 1] == '\r') --End;
    return FBytes.substr(Start, End - Start);
}

const RecordLayout& LayoutOfLine(const FileLayout& File, std::string_view Line, std::size_t Index,
                                 std::size_t Count) {
    return LayoutOfLine(File, Line, Index == 0, Index + 1 == Count);
}

const RecordLayout& LayoutOfLine(const FileLayout& File, std::string_view Line, bool First, bool Last) {
    const RecordLayout* Best = nullptr;
    for (const RecordLayout* Layout : {File.Header, File.Body, File.Trailer}) {
        if (Layout && Line.starts_with(Layout->Code()) &&
            (!Best || Layout->Code().size() > Best->Code().size()))
            Best = Layout;
    }
    if (Best) return *Best;
    if (First) return *File.Header;
    if (Last || !File.Body) return *File.Trailer;
    return *File.Body;
}

RecordColumns::RecordColumns() {
    FNames.push_back(RecordNameColumn);
}

void RecordColumns::Add(const FileLayout& File) {
    for (const RecordLayout* Layout : {File.Header, File.Body, File.Trailer}) {
        if (Layout) AddLayout(Layout);
    }
}

void RecordColumns::AddLayout(const RecordLayout* Layout) {
    for (const auto& Known : FLayouts) {
        if (Known.first == Layout) return;
    }
    std::vector<std::size_t> Columns;
    for (std::size_t F = 0; F < Layout->Fields.size(); ++F) {
        const std::string_view Name = Layout->Fields[F].Name;
        // The same name earlier in this layout takes the next column of that name.
        const auto Before =
            std::count_if(Layout->Fields.begin(), Layout->Fields.begin() + static_cast<long>(F),
                          [&](const LayoutField& Other) { return Other.Name == Name; });
        long Seen = 0;
        std::size_t Column = 0;
        for (std::size_t C = 1; C < FNames.size(); ++C) {
            if (FNames[C] == Name && Seen++ == Before) {
                Column = C;
                break;
            }
        }
        if (Column == 0) {
            Column = FNames.size();
            FNames.push_back(Name);
        }
        Columns.push_back(Column);
    }
    FLayouts.emplace_back(Layout, std::move(Columns));
}

const std::vector<std::size_t>& RecordColumns::ColumnsOf(const RecordLayout& Layout) const {
    static const std::vector<std::size_t> None;
    for (const auto& Known : FLayouts) {
        if (Known.first == &Layout) return Known.second;
    }
    return None;
}

int RecordColumns::FieldAt(const RecordLayout& Layout, std::size_t Column) const {
    const auto& Columns = ColumnsOf(Layout);
    const auto It = std::find(Columns.begin(), Columns.end(), Column);
    return It == Columns.end() ? -1 : static_cast<int>(It - Columns.begin());
}

bool ReadWholeFile(const std::string& Path, std::string& Bytes, std::string& Why) {
    Bytes.clear();
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> File(platform::OpenRegularFile(Path, Why), std::fclose);
    if (!File) return false;
    // One allocation for a regular file; anything else just grows.
    std::error_code Ec;
    if (std::filesystem::is_regular_file(platform::FsPath(Path), Ec)) {
        const std::uintmax_t Size = std::filesystem::file_size(platform::FsPath(Path), Ec);
        if (!Ec) Bytes.reserve(static_cast<std::size_t>(Size));
    }
    char Block[64 * 1024];
    std::size_t N;
    while ((N = std::fread(Block, 1, sizeof Block, File.get())) > 0) Bytes.append(Block, N);
    if (std::ferror(File.get())) {
        Why = std::strerror(errno);
        return false;
    }
    return true;
}

bool ReadFileBlocks(const std::string& Path, const std::function<bool(std::string_view)>& Each,
                    std::string& Why) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> File(platform::OpenRegularFile(Path, Why), std::fclose);
    if (!File) return false;
    std::vector<char> Block(std::size_t{256} * 1024);
    std::size_t N;
    while ((N = std::fread(Block.data(), 1, Block.size(), File.get())) > 0)
        if (!Each(std::string_view(Block.data(), N))) return true;
    if (std::ferror(File.get())) {
        Why = std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace txad
