// The desktop program's batch modes, as file managers and scripts start them:
// extract archives next to themselves or into a folder, compress files,
// without the main window. This file reads the command line and plans the
// extractions (where each archive goes, and what is wrong with the input
// before anything is written); ui/batch.h carries the plans out with the
// progress window and the password and overwrite questions.
//
// Qt-free; no state between calls.
#pragma once

#include <string>
#include <vector>

#include "operations/job.h"

namespace zarvon::operations {

enum class BatchMode {
    None,         // no batch option: the first argument is an archive to open
    Help,         // --help
    ExtractHere,  // --extract-here ARCHIVE...
    ExtractTo,    // --extract-to DIR ARCHIVE...
    Extract,      // --extract ARCHIVE... (the destination is asked)
    Compress,     // --compress FILE... (the compression window)
    CompressTo,   // --compress-to NAME.zip FILE...
    Wrong,        // an unknown option or a missing operand: `error` says which
};

struct BatchCommand {
    BatchMode mode = BatchMode::None;
    std::string target;             // ExtractTo: the folder; CompressTo: the archive
    std::vector<std::string> paths; // the archives or the files, as given
    std::string error;              // Wrong: one line for the terminal
};

// Reads the arguments after the program's name. A first argument that is
// not an option (or "--" before it) keeps the desktop program's meaning.
BatchCommand parseBatchCommand(const std::vector<std::string> &arguments);

// What `zarvon --help` prints.
std::string batchUsage();

// What is wrong with one input of a batch.
enum class BatchProblem {
    Missing,        // no file at that path
    Folder,         // a folder where an archive is expected
    NotAnArchive,   // no archive this program reads (or it cannot be read: sysErrno)
    NotWritable,    // the destination cannot be written (sysErrno)
    SameFolder,     // two archives would extract into the same place (`other`: the first one)
    NoLibrary,      // the library that reads this format is not installed
};

struct BatchIssue {
    BatchProblem problem = BatchProblem::Missing;
    std::string path;  // the archive or the destination concerned
    std::string other; // SameFolder: the archive that goes there too
    int sysErrno = 0;
};

// Where one archive goes.
struct ExtractionTarget {
    std::string archive;     // full path
    std::string destination; // the folder given to the extraction
    // The destination is a folder named after the archive (it holds more
    // than one item at its top); false when its one top item goes straight
    // into the base folder.
    bool ownFolder = false;
};

struct ExtractionPlan {
    std::vector<ExtractionTarget> targets; // in the order given
    std::vector<BatchIssue> issues;        // empty: the plan may run
};

// Plans the extraction of `archives`: each into `baseFolder`, or next to
// itself when `baseFolder` is empty. An archive holding several items at its
// top (or whose names cannot be read without its password) goes into a
// folder named after it (the name without ".zip", ".tar.gz" ...); one with a
// single top item sends that item straight there. Refused, with one issue
// each: a missing path, a folder, a file that is no readable archive, a
// destination that cannot be written, two archives that would land on the
// same place. Reads the archives' names; writes nothing.
ExtractionPlan planBatchExtraction(const std::vector<std::string> &archives, const std::string &baseFolder);

// The name of the folder an archive extracts into: its file name without the
// archive extension ("photos.tar.gz" -> "photos"); a name without one gets
// "_files" added, so that the folder never takes the archive's own name.
std::string extractionFolderName(const std::string &archiveFileName);

// Whether a file or folder can be created at `path`: it is a writable folder
// itself, or its nearest existing parent is. 0 when it can, else the errno.
int creatableError(const std::string &path);

} // namespace zarvon::operations
