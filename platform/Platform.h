#pragma once
// Everything that differs by operating system. The only place with #ifdef.
// Paths are std::string in the file system's own encoding (UTF-8 here).

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// An OS failure, with a message naming the file.
class PlatformError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// ---- Code pages -----------------------------------------------------------
// CP1252: the five undefined bytes map to their C1 control code points.
char16_t Cp1252ToUnicode(unsigned char Byte);
// -1 when CP1252 cannot hold the character.
int UnicodeToCp1252(char32_t CodePoint);
std::u16string Utf16FromCp1252(std::string_view Text);
std::string Cp1252FromUtf16(std::u16string_view Text); // unmappable -> '?'
std::string Utf8FromCp1252(std::string_view Text);
std::string Cp1252FromUtf8(std::string_view Text); // invalid/unmappable -> '?'
// Code page 437, for zip names and comments.
char16_t Cp437ToUnicode(unsigned char Byte);
std::string Cp1252FromOem(std::string_view Text);
std::string OemFromCp1252(std::string_view Text);

// ---- Registry -------------------------------------------------------------
// Reads a string value under HKEY_LOCAL_MACHINE. Nothing when the key or value
// is missing; PlatformError "Invalid data type for '<Value>'" for a value of
// another type; PlatformError naming file and line for a malformed export file.
// On Linux the machine's registry is the export file named by ADOXPORT_HKLM
// (default /etc/adoxport/hklm.reg). The text comes in the file system's
// encoding (UTF-8 here), as the values read are folder paths.
// What a read that found nothing missed: the registry source itself (on
// Linux the export file), the key, or the value under the key.
enum class HklmMissing { Source, Key, Value };
std::optional<std::string> ReadHklmString(std::string_view Key, std::string_view Value,
                                          HklmMissing* Missing = nullptr);
// The export file read on Linux; empty where the system's registry is read.
std::string HklmFilePath();
// On Linux the first of these that applies is the registry: the file named by
// ADOXPORT_HKLM (that file only, whether it exists or not), the system's file
// set up by an administrator for every user (/etc/adoxport/hklm.reg), the
// user's own file ($XDG_CONFIG_HOME/adoxport/hklm.reg, by default under
// ~/.config). With none of them there, the system's file is named as missing.
enum class HklmSourceKind { SystemRegistry, Environment, SystemFile, UserFile, NotFound };
struct HklmSource {
    HklmSourceKind Kind = HklmSourceKind::NotFound;
    std::string File; // empty for the system's registry
};
HklmSource CurrentHklmSource();
// The two files of the order above; empty where the system's registry is read.
std::string SystemHklmFilePath();
std::string UserHklmFilePath();

// ---- Folders and files ----------------------------------------------------
char PathDelimiter();
// Dir ending in a separator of the platform: PathDelimiter() is added when
// missing, so an empty Dir gives the separator alone.
std::string IncludePathDelimiter(std::string_view Dir);
std::string ProgramPath(); // full path of the running program
std::string ProgramDir();  // its folder, with a trailing separator
std::string HomeDir();     // the user's home, with a trailing separator
// Where the delivery folders live: the program's drive on Windows, $HOME here;
// with a trailing separator.
std::string DeliveryBase();
// The system's temporary folder, with a trailing separator: on Linux TMPDIR
// when it names an existing folder by an absolute path, else /tmp/.
std::string TempDir();
// The environment variable that names the temporary folder, for messages.
std::string TempDirVariable();

bool FileExists(const std::string& Path); // a regular file
bool DirectoryExists(const std::string& Path);
bool ForceDirectories(const std::string& Path); // creates missing parents
bool DeleteFile(const std::string& Path);
// Only a regular file is copied; anything else (a FIFO, a device) is refused
// without being opened for reading, so nothing blocks on it.
bool CopyFileNoOverwrite(const std::string& Source, const std::string& Target);
// Opens a regular file for reading ("rb"); anything else (a FIFO, a device, a
// folder) is refused without waiting on it. Nothing on failure, with the
// reason in Why.
std::FILE* OpenRegularFile(const std::string& Path, std::string& Why);
// Creates a file named Prefix followed by six characters of the system's
// choice, empty, and returns its name; nothing when it cannot be made. Names
// are bytes handed to the system as they are.
std::optional<std::string> CreateTempFile(const std::string& Prefix);
// Creates Path, which must not exist, holding Bytes; on failure nothing of it
// is left behind.
bool WriteNewFile(const std::string& Path, std::string_view Bytes);
bool RenameFile(const std::string& From, const std::string& To); // replaces To
std::optional<uint64_t> FileSize(const std::string& Path);

// Every file-system call outside this layer goes through these three: on
// Windows a narrow name means the ANSI code page, so a UTF-8 name with an
// accented letter must reach the system as wide characters.
// The path as the standard library's path type.
std::filesystem::path FsPath(const std::string& Path);
// std::fopen with the same modes, "x" (fail when the file exists) included.
std::FILE* OpenFile(const std::string& Path, const char* Mode);
struct FileStatus {
    bool Regular = false; // a regular file, not a folder or a device
    uint64_t Size = 0;
    int64_t LastWrite = 0; // seconds since 1970-01-01 UTC
};
// Nothing when the path cannot be examined; then errno tells why.
std::optional<FileStatus> StatFile(const std::string& Path);
// A file opened for reading only when it is a regular file. The type is
// tested before the open and again on the open handle, and the open never
// waits, so a FIFO or a device in the file's place (even one put there between
// the two) is refused instead of blocking the program.
enum class OpenStatus { Opened, Missing, NotRegular, Failed };
struct FileCloser {
    void operator()(std::FILE* File) const noexcept { std::fclose(File); }
};
struct RegularFile {
    OpenStatus Status = OpenStatus::Failed;
    std::unique_ptr<std::FILE, FileCloser> File; // set when Opened
    uint64_t Size = 0;                           // when Opened
};
RegularFile OpenRegularFile(const std::string& Path);

// An exclusive lock on a folder between processes, held until destroyed.
class FolderLock {
public:
    virtual ~FolderLock() = default;
};
struct FolderLockAttempt {
    std::unique_ptr<FolderLock> Lock; // empty when not taken
    bool Busy = false;                // another holder has it
};
// One attempt, never waiting. Neither a lock nor Busy when the folder cannot
// be locked (it does not exist, or its file system has no locks).
FolderLockAttempt TryLockFolder(const std::string& Dir);

// ---- Termination signals -------------------------------------------------
// While a guard lives, SIGTERM, SIGINT and SIGHUP (those not ignored) only
// note their arrival, so that the work in progress can stop at a safe point
// and clean up; TerminationRequested() tells the signal. The guard's end
// restores the previous handling and, when a signal came, delivers it again,
// so the process ends the way that signal ends it. No signals on Windows.
class TerminationGuard {
public:
    TerminationGuard();
    ~TerminationGuard();
    TerminationGuard(const TerminationGuard&) = delete;
    TerminationGuard& operator=(const TerminationGuard&) = delete;
};
// The signal noted under a guard, 0 when none.
int TerminationRequested();

struct LocalDate {
    int Year = 0, Month = 0, Day = 0;
};
// The file's last-write time as a local date; nothing when it cannot be read
// or is not a regular file.
std::optional<LocalDate> FileLastWriteDate(const std::string& Path);
struct LocalDateTime {
    int Year = 0, Month = 0, Day = 0, Hour = 0, Minute = 0, Second = 0, MSec = 0;
};
LocalDateTime Now();

// Whether a window can be shown: a display to connect to, or a Qt platform
// chosen explicitly (QT_QPA_PLATFORM, e.g. offscreen).
bool DisplayAvailable();

// Makes a write to a closed pipe or socket fail with an error instead of
// ending the process, so a reader that goes away (| head) cannot stop a run
// half way. Children started later inherit it: call it only where none are.
void IgnoreBrokenPipe();

// Opens a document with the desktop's default opener, the path as one
// argument; false when no opener could be started.
bool OpenWithDesktop(const std::string& Path);
// The same for a page at one of its anchors (Fragment, without "#"), as a
// file URL: the desktop's browser scrolls to it.
bool OpenWithDesktopAt(const std::string& Path, const std::string& Fragment);

// ---- Sending the delivered files -------------------------------------------
// Shows a folder in the desktop's file manager (xdg-open on Linux, the shell
// on Windows); false when none could be started.
bool OpenFolder(const std::string& Dir);

// A message for the desktop's mail client: address, subject and text in
// CP1252, the files to attach as paths.
struct MailDraft {
    std::string To;
    std::string Subject;
    std::string Body;
    std::vector<std::string> Attachments;
};
enum class MailOutcome {
    Composed,                   // the client has the message with its attachments
    ComposedWithoutAttachments, // the client has the message; the files must be attached by hand
    NoMailClient,               // no mail client could be opened
};
// Opens the mail client on a new message: xdg-email on Linux, its exit
// status awaited a few seconds (a client still open then counts as opened);
// a mailto: link through the shell on Windows, which carries no attachments.
MailOutcome ComposeMail(const MailDraft& Draft);

// Sets a variable of the process's environment, as seen by getenv and by
// programs it starts; an empty value removes it on Windows.
bool SetEnvironment(const std::string& Name, const std::string& Value);

// ---- Run-time library loading ----------------------------------------------
class Library {
public:
    virtual ~Library() = default;
    virtual void* Symbol(const char* Name) = 0;
};
// Nothing when the library cannot be loaded.
std::unique_ptr<Library> LoadLibrary(const std::string& FileName);
// The platform's file name of a plugin, with the suffix the build gives
// modules: "ZipDll" gives ZipDll.so / ZipDll.dll.
std::string PluginFileName(std::string_view BaseName);

// ---- Locale ---------------------------------------------------------------
// Date, time and number formats of the user's locale, in the framework's
// pattern language (dd/mm/yyyy, hh:nn:ss). The defaults are the framework's
// own, English names and the euro sign.
struct LocaleFormats {
    char DateSeparator = '/';
    char TimeSeparator = ':';
    std::string ShortDateFormat = "dd/mm/yyyy";
    std::string LongDateFormat = "dddd d mmmm yyyy";
    std::string ShortTimeFormat = "hh:nn";
    std::string LongTimeFormat = "hh:nn:ss";
    char DecimalSeparator = '.';
    char ThousandSeparator = ',';
    std::string CurrencyString = "\x80"; // CP1252
    int CurrencyDecimals = 2;
    // CP1252, for ddd / dddd and mmm / mmmm; day lists start on Sunday.
    std::array<std::string, 12> ShortMonthNames{"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::array<std::string, 12> LongMonthNames{"January",   "February", "March",    "April",
                                               "May",       "June",     "July",     "August",
                                               "September", "October",  "November", "December"};
    std::array<std::string, 7> ShortDayNames{"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    std::array<std::string, 7> LongDayNames{"Sunday",   "Monday", "Tuesday", "Wednesday",
                                            "Thursday", "Friday", "Saturday"};
};
LocaleFormats UserLocaleFormats();
// A Qt date/time pattern (or a Windows picture with its AM/PM marker written
// AP) in the framework's language: M -> m, m -> n, H -> h,
// AP -> am/pm, the time zone dropped, literals kept in quotes, and DateSep /
// TimeSep (pass '\0' for none) written as '/' and ':'.
std::string FrameworkPattern(std::u16string_view QtPattern, char DateSep, char TimeSep);

// ---- Large memory blocks ---------------------------------------------------
// Memory for big tables straight from the system, aligned to and hinted for
// huge pages where the system has them: the first touch of fresh small pages
// costs more than filling them. Nothing when the system has no such blocks;
// std::bad_alloc when it refuses one.
struct LargeBlock {
    void* Base = nullptr; // what FreeLargeBlock releases
    std::size_t Size = 0;
    char* Data = nullptr; // at least the bytes asked for
};
std::optional<LargeBlock> AllocateLargeBlock(std::size_t Bytes);
void FreeLargeBlock(const LargeBlock& Block);
// Gives the pages of Block past its first Used bytes (from Data) back to the
// system; they read as zero if touched again. A huge page that the end of the
// used bytes cuts is split, so what stays resident is what is used.
void TrimLargeBlock(const LargeBlock& Block, std::size_t Used);

// ---- Spanned archives -----------------------------------------------------
// The disk number of the medium holding Path: 0 except on removable media
// labelled "PKBACK# nnn" (never on Linux).
int ZipDiskNumber(const std::string& Path);
// The drive check of a new archive: its folder exists and is accessible.
bool ArchiveDriveAccessible(const std::string& Path);

} // namespace platform
