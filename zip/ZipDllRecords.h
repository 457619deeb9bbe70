#ifndef ADOX_ZIP_ZIPDLLRECORDS_H
#define ADOX_ZIP_ZIPDLLRECORDS_H
/* The records exchanged with the ZipDll plugin. Plain C, no Qt: the plugin,
 * the component and a 32-bit syntax check all compile this header alone.
 * On 32-bit targets the records are exactly 216 (parameters), 104 (file entry)
 * and 540 (callback) bytes; on 64-bit targets address fields widen to
 * pointers and every other field keeps its order and meaning. Fields named
 * Unused... are zero; the component never reads or writes them. */

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* The header is C as well as C++: its typedefs stay. */
/* NOLINTBEGIN(modernize-use-using) */

/* Size of the callback record's text field, terminator included. */
#define ZIPDLL_TEXT_SIZE 512
/* Oldest plugin version the component accepts. */
#define ZIPDLL_MIN_VERSION 160

/* Callback kinds. */
enum {
    ZIPDLL_CB_NONE = 0,
    ZIPDLL_CB_BEGIN_FILE = 1, /* Text: file name; Number: its size */
    ZIPDLL_CB_PROGRESS = 2,   /* Number: bytes done since the last progress call */
    ZIPDLL_CB_END_BATCH = 3,
    ZIPDLL_CB_TRACE = 4,       /* Text: a trace line */
    ZIPDLL_CB_BATCH_COUNT = 5, /* Number: files in the batch */
    ZIPDLL_CB_BATCH_BYTES = 6, /* Number: total bytes of the batch */
    ZIPDLL_CB_RESERVED = 7,
    ZIPDLL_CB_PASSWORD = 8,   /* Number: 3 asks for a new password; answer in Text */
    ZIPDLL_CB_CRC_ERROR = 9,  /* Text: entry name; AnswerFlag: 1 extracts anyway */
    ZIPDLL_CB_OVERWRITE = 10, /* AnswerFlag bit 0: file is older; Number: 1 overwrites */
    ZIPDLL_CB_SKIPPED = 11    /* Text: file that could not be packed */
};

typedef struct ZipCallbackRecord ZipCallbackRecord;
/* Returns -1 to ask the plugin to stop, 0 to go on. */
typedef int32_t (*ZipCallbackFunc)(ZipCallbackRecord* Record);

/* Written by the plugin for each callback; Kind, AnswerFlag, Number and Text
 * are read, AnswerFlag, Number and Text may be written back. */
struct ZipCallbackRecord {
    int32_t Unused0;
    void* Caller; /* the parameter record's Caller */
    int32_t Unused8;
    int32_t Unused12;
    int32_t Kind;
    int32_t AnswerFlag;
    int32_t Number;
    char Text[ZIPDLL_TEXT_SIZE]; /* not trusted to be terminated */
};

/* One entry of the block of file entries, one per file to pack, in list order. */
typedef struct ZipFileEntryRecord {
    const char* FileName;
    int32_t Unused4;
    int32_t Unused8;
    const char* Password;  /* as ZipParamsRecord.Password */
    int32_t Encrypt;       /* as ZipParamsRecord.Encrypt */
    int16_t PerFileOption; /* as ZipParamsRecord.PerFileOption */
    int16_t Unused22;
    int32_t Unused24[3];
    const char* RootDir; /* root folder with trailing separator, or "" */
    int32_t Unused40[16];
} ZipFileEntryRecord;

/* The one argument of ZipDllExec. Flag fields hold -1 (true) or 0; the
 * option fields carry the component's AddOptions of the same name, whose
 * meaning is the plugin's, and the constant fields values the plugin expects. */
typedef struct ZipParamsRecord {
    int32_t Unused0;
    void* Caller;    /* returned in every callback record */
    int32_t Version; /* 160 */
    ZipCallbackFunc Callback;
    int32_t Trace;        /* send trace lines (kind 4) */
    const char* Password; /* NULL when there is none */
    int32_t Unused24;
    int32_t Encrypt;
    int32_t PassedFirst; /* aoPassedFirst set */
    int32_t Unused36[2];
    int32_t WithoutInvertedOption; /* aoInvertedOption clear */
    int32_t Unused48[2];
    int32_t ConstantTrue; /* -1 */
    int32_t ConstantNine; /* 9 */
    int32_t Unused64[2];
    int32_t PlainFileSpecs; /* neither aoPerFileOption nor aoRelativeToRootDir set */
    int16_t PerFileOption;  /* aoPerFileOption set */
    int16_t Unused78;
    int32_t ConstantTrueToo; /* -1 */
    int32_t PassedSecond;    /* aoPassedSecond set */
    int32_t Unused88[2];
    int32_t DefaultMode;  /* aoDefaultMode set */
    int32_t FallbackMode; /* aoFallbackMode set and aoDefaultMode clear */
    int32_t Unused104[4];
    int32_t FileEntryCount;
    const char* ArchiveName;
    const char* TempDir;
    const char* Comment; /* NULL when there is none */
    int32_t Unused136;
    ZipFileEntryRecord* FileEntries; /* FileEntryCount entries */
    int32_t Unused144[17];
    int32_t Marker; /* 7 */
} ZipParamsRecord;

/* Entry points of the plugin, with C linkage. */
typedef int32_t (*GetZipDllVersionFunc)(void);
typedef int32_t (*ZipDllExecFunc)(ZipParamsRecord* Params);

/* NOLINTEND(modernize-use-using) */

#ifdef __cplusplus
#define ZIPDLL_STATIC_ASSERT(Cond, Msg) static_assert(Cond, Msg)
#else
#define ZIPDLL_STATIC_ASSERT(Cond, Msg) _Static_assert(Cond, Msg)
#endif

#if UINTPTR_MAX == 0xFFFFFFFFu
/* 32-bit targets: the exact layouts the plugin relies on. */
ZIPDLL_STATIC_ASSERT(sizeof(ZipParamsRecord) == 216, "parameter record is 216 bytes");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, Caller) == 4, "Caller at 4");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, Version) == 8, "Version at 8");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, Callback) == 12, "Callback at 12");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, Trace) == 16, "Trace at 16");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, Password) == 20, "Password at 20");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, Encrypt) == 28, "Encrypt at 28");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, PassedFirst) == 32, "PassedFirst at 32");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, WithoutInvertedOption) == 44, "WithoutInvertedOption at 44");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, ConstantTrue) == 56, "ConstantTrue at 56");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, ConstantNine) == 60, "ConstantNine at 60");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, PlainFileSpecs) == 72, "PlainFileSpecs at 72");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, PerFileOption) == 76, "PerFileOption at 76");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, ConstantTrueToo) == 80, "ConstantTrueToo at 80");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, PassedSecond) == 84, "PassedSecond at 84");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, DefaultMode) == 96, "DefaultMode at 96");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, FallbackMode) == 100, "FallbackMode at 100");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, FileEntryCount) == 120, "FileEntryCount at 120");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, ArchiveName) == 124, "ArchiveName at 124");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, TempDir) == 128, "TempDir at 128");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, Comment) == 132, "Comment at 132");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, FileEntries) == 140, "FileEntries at 140");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, Marker) == 212, "Marker at 212");

ZIPDLL_STATIC_ASSERT(sizeof(ZipFileEntryRecord) == 104, "file-entry record is 104 bytes");
ZIPDLL_STATIC_ASSERT(offsetof(ZipFileEntryRecord, Password) == 12, "entry Password at 12");
ZIPDLL_STATIC_ASSERT(offsetof(ZipFileEntryRecord, Encrypt) == 16, "entry Encrypt at 16");
ZIPDLL_STATIC_ASSERT(offsetof(ZipFileEntryRecord, PerFileOption) == 20, "entry PerFileOption at 20");
ZIPDLL_STATIC_ASSERT(offsetof(ZipFileEntryRecord, RootDir) == 36, "entry RootDir at 36");

ZIPDLL_STATIC_ASSERT(offsetof(ZipCallbackRecord, Caller) == 4, "callback Caller at 4");
ZIPDLL_STATIC_ASSERT(offsetof(ZipCallbackRecord, Kind) == 16, "callback Kind at 16");
ZIPDLL_STATIC_ASSERT(offsetof(ZipCallbackRecord, AnswerFlag) == 20, "callback AnswerFlag at 20");
ZIPDLL_STATIC_ASSERT(offsetof(ZipCallbackRecord, Number) == 24, "callback Number at 24");
ZIPDLL_STATIC_ASSERT(offsetof(ZipCallbackRecord, Text) == 28, "callback Text at 28");
ZIPDLL_STATIC_ASSERT(sizeof(ZipCallbackRecord) == 540, "callback record is 540 bytes");
#endif

#ifdef __cplusplus
}
#endif

#endif
