#pragma once

#include <QFileDevice>
#include <QString>

// Files that hold customer data (the order book and its side files, the journal of
// unrecorded slips, printed PDFs) are readable by their owner only: a shared computer's
// other accounts see names, addresses and telephone numbers otherwise.
namespace platform {

inline constexpr QFileDevice::Permissions kOwnerOnlyFile = QFileDevice::ReadOwner | QFileDevice::WriteOwner;
inline constexpr QFileDevice::Permissions kOwnerOnlyFolder =
    QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner;

// From now on this process creates files 0600 and folders 0700 (umask 077), whoever
// creates them: the SQLite library, the PDF writer, Qt's save files.
void createFilesOwnerOnly();

// Makes an existing file 0600 (a folder 0700). Returns false when it exists and its
// permissions cannot be changed; a missing path is no failure.
bool makeOwnerOnly(const QString &path);

// Creates the folder (and its parents) when missing and makes it 0700.
bool ownerOnlyFolder(const QString &path);

} // namespace platform
