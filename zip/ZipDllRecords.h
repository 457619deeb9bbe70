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
    const char* Password; /* as ZipParamsRecord.Password */
    int32_t Encrypt;      /* as ZipParamsRecord.Encrypt */
    int16_t OptFlag2;     /* as ZipParamsRecord.OptFlag2 */
    int16_t Unused22;
    int32_t Unused24[3];
    const char* RootDir; /* root folder with trailing separator, or "" */
    int32_t Unused40[16];
} ZipFileEntryRecord;

/* The one argument of ZipDllExec. Flag fields hold -1 (true) or 0. */
typedef struct ZipParamsRecord {
    int32_t Unused0;
    void* Caller;    /* returned in every callback record */
    int32_t Version; /* 160 */
    ZipCallbackFunc Callback;
    int32_t Trace;        /* send trace lines (kind 4) */
    const char* Password; /* NULL when there is none */
    int32_t Unused24;
    int32_t Encrypt;
    int32_t OptFlag6; /* AddOptions value 64 set */
    int32_t Unused36[2];
    int32_t OptNotFlag4; /* AddOptions value 16 clear */
    int32_t Unused48[2];
    int32_t Fixed56; /* -1 */
    int32_t Fixed60; /* 9 */
    int32_t Unused64[2];
    int32_t OptNotFlags2And3; /* AddOptions values 4 and 8 both clear */
    int16_t OptFlag2;         /* AddOptions value 4 set */
    int16_t Unused78;
    int32_t Fixed80;  /* -1 */
    int32_t OptFlag7; /* AddOptions value 128 set */
    int32_t Unused88[2];
    int32_t OptFlag1;     /* AddOptions value 2 set */
    int32_t OptFlag0Only; /* value 1 set and value 2 clear */
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
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, OptFlag6) == 32, "OptFlag6 at 32");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, OptNotFlag4) == 44, "OptNotFlag4 at 44");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, Fixed56) == 56, "Fixed56 at 56");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, Fixed60) == 60, "Fixed60 at 60");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, OptNotFlags2And3) == 72, "OptNotFlags2And3 at 72");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, OptFlag2) == 76, "OptFlag2 at 76");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, Fixed80) == 80, "Fixed80 at 80");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, OptFlag7) == 84, "OptFlag7 at 84");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, OptFlag1) == 96, "OptFlag1 at 96");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, OptFlag0Only) == 100, "OptFlag0Only at 100");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, FileEntryCount) == 120, "FileEntryCount at 120");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, ArchiveName) == 124, "ArchiveName at 124");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, TempDir) == 128, "TempDir at 128");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, Comment) == 132, "Comment at 132");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, FileEntries) == 140, "FileEntries at 140");
ZIPDLL_STATIC_ASSERT(offsetof(ZipParamsRecord, Marker) == 212, "Marker at 212");

ZIPDLL_STATIC_ASSERT(sizeof(ZipFileEntryRecord) == 104, "file-entry record is 104 bytes");
ZIPDLL_STATIC_ASSERT(offsetof(ZipFileEntryRecord, Password) == 12, "entry Password at 12");
ZIPDLL_STATIC_ASSERT(offsetof(ZipFileEntryRecord, Encrypt) == 16, "entry Encrypt at 16");
ZIPDLL_STATIC_ASSERT(offsetof(ZipFileEntryRecord, OptFlag2) == 20, "entry OptFlag2 at 20");
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
