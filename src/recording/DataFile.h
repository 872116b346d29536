#pragma once
// Base of the station's data files: a file named by directory, base name and extension, whose
// directory tree is created on demand and whose names never overwrite an earlier recording.

#include "acquisition/DateTime.h"

#include <functional>
#include <string>

// Paths use "/" as separator; a relative directory is resolved against the working directory
// when the file is opened.
// Thread rule: an object is used by one thread only (the one that records the samples).
class TDataFile {
public:
    // Called after every successful OpenFile with the object and the full file name.
    using TOpenNotification = std::function<void(TDataFile& file, const std::string& fileName)>;

    TDataFile() = default;
    // Derived classes release their file; a destructor never throws.
    virtual ~TDataFile() = default;
    TDataFile(const TDataFile&) = delete;
    TDataFile& operator=(const TDataFile&) = delete;

    // Creates the missing directories of Directory, then the file (truncating one of that name).
    // "File is already opened" (TDataFile/OpenFile) when open; a directory that cannot be made
    // raises EInOutError "Could not create directory " + the prefix with its trailing "/".
    void OpenFile();
    // Opens a file no one else has: `makeName` gives a free name (MakeFileName), which is
    // created exclusively; when another process has created that name in the meantime (two
    // recorders in one folder reach the same name at the same moment), `makeName` is asked
    // again and gives the next free "_n" name. Nothing is ever truncated. Errors as OpenFile.
    void OpenNewFile(const std::function<std::string()>& makeName);
    // "File is already closed" (TDataFile/CloseFile) when closed. The handle is released and
    // the object closed even when closing reports an error, which is then raised.
    void CloseFile();

    // Directory + BaseName + "." + Extension; the dot is always there.
    std::string GetFileName() const;
    // Splits at the last "/" and the last dot after it.
    void SetFileName(const std::string& path);
    // Adds a trailing "/" to a non-empty directory without one.
    void SetDirectory(const std::string& directory);

    // A name not yet taken: directory + `time` formatted with `dateFormat` + "." + extension,
    // or with "_0", "_1", ... before the dot when a file (not a directory) of that base name
    // and any extension exists. Reads the file system only. Errors: EBasicException
    // (TDataFile/MakeFileName) with the system's reason.
    static std::string MakeFileName(const std::string& extension, const std::string& directory,
                                    TDateTime time, const std::string& dateFormat);

    // The file operations a concrete file type provides.
    virtual void FOpenforWrite() = 0;
    virtual void FCloseFile() = 0;
    virtual void FWriteString(const std::string& text) = 0;
    virtual void FWriteLn(const std::string& text) = 0;

    bool Opened() const { return FOpened; }
    const std::string& Directory() const { return FDirectory; }
    const std::string& BaseName() const { return FBaseName; }
    const std::string& Extension() const { return FExtension; }
    void SetExtension(const std::string& extension) { FExtension = extension; }
    // The folder a writer creates its tree in ("" for the working directory; otherwise ending
    // with "/"), so that one program can keep the trees of many stations apart.
    const std::string& RootFolder() const { return FRootFolder; }
    void SetRootFolder(const std::string& folder) {
        FRootFolder = folder.empty() || folder.back() == '/' ? folder : folder + "/";
    }

    TOpenNotification OnOpen;

protected:
    // Creates the missing directories of Directory().
    void CreateDirectories() const;

    bool FOpened = false;

private:

    std::string FDirectory;
    std::string FBaseName;
    std::string FExtension;
    std::string FRootFolder;
};
