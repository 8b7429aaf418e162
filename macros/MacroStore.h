#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QString>
#include <QtGlobal>

namespace macros {

// The 100 macro lists as the exact image of the file that keeps them: 100
// fixed-size records, each a list name, 48 command strings, 48 command names,
// 48 descriptions of 12 lines, and a record signature. Every text is a length
// byte followed by up to its slot's capacity of windows-1251 bytes; bytes past
// the length and the reserved areas are carried through untouched.
class MacroStore {
public:
    static constexpr int kLists = 100;
    static constexpr int kMacros = 48;
    static constexpr int kDescriptionLines = 12;
    static constexpr qsizetype kRecordSize = 102580;
    static constexpr qsizetype kFileSize = kRecordSize * kLists;
    static constexpr qsizetype kSignatureOffset = 102500;
    static constexpr qint32 kSignature = 12345;

    // What a slot holds; its capacity in characters.
    enum class Field { ListName, Command, Name, Description };
    static int capacity(Field field);

    // Shown once when the file had to be rebuilt.
    static const QString kRebuiltMessage;
    static const QString kFileName;

    // A store that has never been loaded: all zeros, no signatures.
    MacroStore();

    // Reads and checks the file. A missing file, fewer than 100 whole records
    // or a record without its signature make the store bad: every list is
    // rebuilt with its default name and nothing else and the file is written
    // anew, a bad file being kept first (backupPath()); rebuilt() then tells
    // that the user is to be told (rebuiltMessage()). Records after the 100th
    // are ignored. A file that cannot be read for any other reason (no
    // permission, an I/O error, no regular file) is never written over: the
    // run goes on with default lists and saves fail (unreadable()). Returns
    // false when a file operation failed (errorString()); the memory image then
    // holds a usable store all the same. Temporary files left by a save that
    // was killed are removed.
    bool LoadCmdConfig(const QString &path);
    bool rebuilt() const { return m_rebuilt; }
    // Reads the file for a program that only sends macros: nothing is ever
    // written, locked or rebuilt. False when the file is missing, damaged or
    // unreadable (errorString()); the image is then all empty lists.
    bool readOnly(const QString &path);
    bool unreadable() const { return m_unreadable; }

    // Where a bad file was kept at the last load or save, empty when none was:
    // "<file>.bad", the earlier ones moving on to "<file>.bad.1" up to
    // "<file>.bad.<kBackups - 1>" (the oldest goes). An empty file is not kept.
    static constexpr int kBackups = 5;
    QString backupPath() const { return m_backupPath; }
    // kRebuiltMessage, followed by where the bad file was kept.
    QString rebuiltMessage() const;

    // Saves what this object changed since it last read or wrote the file:
    // under a FileLock, the file as it is on disk now is read again, and each
    // text slot (list name, command, name, description line) that this
    // object changed takes its text; every other slot keeps what the disk
    // holds, so another window's saves in between are not undone. The result
    // goes to a temporary file beside the target, is flushed to the disk and
    // renamed over it, so a failed or interrupted save leaves the previous
    // file whole, and becomes the memory image (re-show the list after a
    // save). A link the user owns is written through; the file keeps its
    // permissions. On failure returns false (errorString()); the memory image
    // keeps every change.
    bool save(const QString &path);
    QString errorString() const { return m_error; }

    // Whether the image differs from what was last loaded or saved.
    bool differsFromFile() const { return m_image != m_fileImage; }

    // Unsaved changes kept when the program must end without asking (a
    // signal, the end of the desktop session): "<file>.recovery" beside the
    // file, never the file itself. It holds two images in the file's format,
    // the changed one (records 1..100, which a reader of one image takes
    // whole) and the one the changes were made on (records 101..200): a slot
    // whose text differs between the two is a change. writeRecovery() adds
    // this object's changes to a recovery file already there (another
    // window's); it writes nothing when there is no change. When another
    // program holds the folder past the ending wait, the changes go to a
    // file of their own (SafeFile::asideName()) that the next load merges
    // into the recovery file. At the next start checkRecovery() tells that
    // one exists and sets a damaged one aside; takeRecovery() applies each
    // change onto the store as loaded (unsaved, so that the user can save
    // it). A slot saved since with a third text is left as saved and listed
    // in recoveryConflicts() until settleConflicts() says whether the kept
    // texts replace the saved ones, or postponeConflicts() leaves them in
    // the file for another start. A list whose starting image is not in the
    // file (one image, an older version's; a second half cut or damaged)
    // has no change of its own: each slot that differs from the store as
    // saved is a conflict. A save removes from the recovery file only what
    // this object took and settled, never what another window wrote there
    // since. discardRecovery() removes it. A store that could not be read
    // keeps no recovery file either (the edits were made on default lists).
    struct Conflict {
        Field field;
        int list, macro, line;
        QByteArray kept;
        QByteArray saved;
        // Whether the text was changed at all is not known.
        bool baseUnknown = false;
    };
    static QString recoveryPath(const QString &path);
    static bool hasRecovery(const QString &path);
    static QString recoveryQuestion(const QString &path);
    // What "Да" finds when another window removed the file meanwhile.
    static QString recoveryGoneText(const QString &path);
    enum class RecoveryCheck { None, Usable, SetAside };
    // SetAside: a recovery file that is not whole was kept as
    // "<file>.recovery.bad" (earlier ones numbered as for the store), so that
    // it is not offered again; errorString() says so.
    RecoveryCheck checkRecovery(const QString &path);
    bool writeRecovery(const QString &path);
    bool takeRecovery(const QString &path);
    const QList<Conflict> &recoveryConflicts() const { return m_conflicts; }
    // Lists the conflicting macros with both texts; "Да" keeps the saved
    // texts.
    QString conflictQuestion() const;
    bool settleConflicts(bool takeKept, const QString &path);
    void postponeConflicts();
    bool discardRecovery(const QString &path);

    // Empties list N in memory: its name and every macro get length 0.
    void ClrListCmd(int list);

    // Slot access. list 1..100, macro 1..48, line 1..12; numbers outside read
    // as empty and store nothing. Reading stops at the capacity whatever the
    // length byte says; storing cuts to the capacity and writes only the
    // length byte and the characters. Texts are windows-1251; a character it
    // cannot hold is stored as "?".
    QByteArray bytes(Field field, int list, int macro = 1, int line = 1) const;
    QString text(Field field, int list, int macro = 1, int line = 1) const;
    void storeBytes(Field field, QByteArrayView value, int list, int macro = 1, int line = 1);
    void store(Field field, QStringView value, int list, int macro = 1, int line = 1);

    QString listName(int list) const { return text(Field::ListName, list); }
    QString command(int list, int macro) const { return text(Field::Command, list, macro); }
    QString name(int list, int macro) const { return text(Field::Name, list, macro); }
    QString description(int list, int macro, int line) const { return text(Field::Description, list, macro, line); }
    void setListName(int list, QStringView value) { store(Field::ListName, value, list); }
    void setCommand(int list, int macro, QStringView value) { store(Field::Command, value, list, macro); }
    void setName(int list, int macro, QStringView value) { store(Field::Name, value, list, macro); }
    void setDescription(int list, int macro, int line, QStringView value) {
        store(Field::Description, value, list, macro, line);
    }

    // The whole image, record 1 first (what save() writes).
    const QByteArray &image() const { return m_image; }

private:
    // What reading the file found.
    enum class Content { Good, Damaged, Missing, Unreadable };
    // base, when given, gets the 100 signed records that follow the first
    // 100, or nothing when they are not all there.
    // A base image is always whole; records the file does not hold whole and
    // signed are zeros (see baseKnown()).
    static Content readImage(const QString &path, QByteArray &image, QString &error, QByteArray *base = nullptr);
    // Whether the base image holds the starting record of the list.
    static bool baseKnown(const QByteArray &base, int list);
    // Offset of the slot's length byte in the image, -1 when out of range.
    static qsizetype slotOffset(Field field, int list, int macro, int line);
    // Calls visit(field, list, macro, line, offset) for every text slot.
    template <typename Visit>
    static void forEachSlot(Visit visit);
    // Copies into image every slot whose text this object changed, and into
    // base what the slot held before.
    void mergeChangesInto(QByteArray &image, QByteArray *base = nullptr) const;
    // The same for the changes of any pair of images.
    static void mergeChanges(const QByteArray &changed, const QByteArray &from, QByteArray &image, QByteArray *base);
    // Merges into the recovery file the changes programs ending left aside;
    // under the folder's lock.
    bool takeInAside(const QString &path);
    // Removes from the recovery file the slots this object took and settled,
    // the file itself once nothing else is left; under the folder's lock.
    bool dropHandled(const QString &path);
    bool dropHandledLocked(const QString &path);
    void rebuild();
    bool keepBadCopy(const QString &path);
    static bool keepBad(const QString &path, QString &kept, QString &error);
    bool writeWhole(const QString &path, const QByteArray &image);
    bool fail(const QString &error);
    QString unreadableText() const;

    QByteArray m_image;
    // Shares its bytes with m_image until the first change after a load or a
    // save, so keeping it costs nothing until then.
    QByteArray m_fileImage;
    bool m_rebuilt = false;
    bool m_unreadable = false;
    bool m_tookRecovery = false;
    QList<Conflict> m_conflicts;
    // The recovery slots taken and settled, by offset: the texts they held.
    struct Handled {
        QByteArray kept, base;
        bool baseKnown;
    };
    QHash<qsizetype, Handled> m_handled;
    // Those of the conflicts, until they are settled.
    QHash<qsizetype, Handled> m_unsettled;
    QString m_readError;
    QString m_backupPath;
    QString m_error;
};

} // namespace macros
