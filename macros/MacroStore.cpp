#include "macros/MacroStore.h"

#include "core/Cp1251.h"
#include "core/FixedTexts.h"
#include "core/platform/FileDescriptor.h"
#include "core/platform/FileLock.h"
#include "core/platform/Memory.h"
#include "core/platform/SafeFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <utility>

namespace macros {

namespace {

// The record layout: where each kind of slot starts and how far apart its
// slots are. All slot arithmetic of the program is here.
constexpr qsizetype kListNameAt = 0;
constexpr qsizetype kCommandsAt = 152;
constexpr qsizetype kCommandStride = 252;
constexpr qsizetype kNamesAt = 12248;
constexpr qsizetype kNameStride = 52;
constexpr qsizetype kDescriptionsAt = 14744;
constexpr qsizetype kDescriptionStride = 152;
constexpr qsizetype kMacroDescriptionStride = kDescriptionStride * MacroStore::kDescriptionLines;
const QString kKeptInMemory =
    QStringLiteral("\nИзменения остались в памяти: сохраните их ещё раз, когда файл освободится.");
// At most this many conflicting texts are named in the question, each
// shown up to this length.
constexpr int kConflictsNamed = 10;
constexpr int kQuotedLength = 60;

// The text a slot of an image holds, up to its capacity.
QByteArrayView textAt(const QByteArray &image, qsizetype at, int capacity) {
    return QByteArrayView(image.constData() + at + 1, std::min<int>(static_cast<unsigned char>(image[at]), capacity));
}

// How many of the first count records carry their signature, up to the
// first one that does not.
int signedRecords(const char *records, int count) {
    for (int i = 0; i < count; ++i) {
        if (qFromLittleEndian<qint32>(records + MacroStore::kRecordSize * i + MacroStore::kSignatureOffset) !=
            MacroStore::kSignature)
            return i;
    }
    return count;
}

// An image of zeros that takes memory only where something is written: most
// records of a store are empty, and the whole image is 10 MB.
QByteArray blankImage(qsizetype size) {
    QByteArray image(size, Qt::Uninitialized);
    core::zeroAndRelease(image.data(), size);
    return image;
}

// Reads up to size bytes of the file into a blank image, writing only the
// pieces (a page each) that are not all zeros; how many bytes were read, or
// -1.
qint64 readSparse(QFile &file, char *image, qint64 size) {
    constexpr qint64 kPiece = 4096;
    QByteArray chunk(16 * kPiece, Qt::Uninitialized);
    qint64 got = 0;
    while (got < size) {
        const qint64 n = file.read(chunk.data(), std::min<qint64>(chunk.size(), size - got));
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        for (qint64 at = 0; at < n;) {
            char *to = image + got + at;
            const qint64 piece = std::min<qint64>(n - at, kPiece - qint64(reinterpret_cast<quintptr>(to) % kPiece));
            const char *from = chunk.constData() + at;
            if (std::any_of(from, from + piece, [](char c) { return c != 0; }))
                std::memcpy(to, from, piece);
            at += piece;
        }
        got += n;
    }
    return got;
}

} // namespace

const QString MacroStore::kRebuiltMessage = QStringLiteral("Проблема с файлом конфигурации, он будет перезаписан");
const QString MacroStore::kFileName = QStringLiteral("CmdConfig");

MacroStore::MacroStore() : m_image(blankImage(kFileSize)), m_fileImage(m_image) {}

int MacroStore::capacity(Field field) {
    switch (field) {
    case Field::ListName:
        return 151;
    case Field::Command:
        return 251;
    case Field::Name:
        return 51;
    case Field::Description:
        return 151;
    }
    return 0;
}

qsizetype MacroStore::slotOffset(Field field, int list, int macro, int line) {
    if (list < 1 || list > kLists || macro < 1 || macro > kMacros || line < 1 || line > kDescriptionLines)
        return -1;
    const qsizetype record = kRecordSize * (list - 1);
    switch (field) {
    case Field::ListName:
        return record + kListNameAt;
    case Field::Command:
        return record + kCommandsAt + kCommandStride * (macro - 1);
    case Field::Name:
        return record + kNamesAt + kNameStride * (macro - 1);
    case Field::Description:
        return record + kDescriptionsAt + kMacroDescriptionStride * (macro - 1) + kDescriptionStride * (line - 1);
    }
    return -1;
}

QByteArray MacroStore::bytes(Field field, int list, int macro, int line) const {
    const qsizetype at = slotOffset(field, list, macro, line);
    if (at < 0)
        return QByteArray();
    return textAt(m_image, at, capacity(field)).toByteArray();
}

QString MacroStore::text(Field field, int list, int macro, int line) const {
    return core::cp1251::toUnicode(bytes(field, list, macro, line));
}

void MacroStore::storeBytes(Field field, QByteArrayView value, int list, int macro, int line) {
    const qsizetype at = slotOffset(field, list, macro, line);
    if (at < 0)
        return;
    const qsizetype length = std::min<qsizetype>(value.size(), capacity(field));
    // Storing what the slot already holds must not detach the image from the
    // copy of the file.
    const char *held = m_image.constData() + at;
    if (static_cast<unsigned char>(held[0]) == length &&
        (length == 0 || std::memcmp(held + 1, value.data(), length) == 0))
        return;
    char *slot = m_image.data() + at;
    slot[0] = static_cast<char>(length);
    if (length > 0)
        std::memcpy(slot + 1, value.data(), length);
}

void MacroStore::store(Field field, QStringView value, int list, int macro, int line) {
    storeBytes(field, core::cp1251::fromUnicode(value), list, macro, line);
}

void MacroStore::ClrListCmd(int list) {
    if (list < 1 || list > kLists)
        return;
    storeBytes(Field::ListName, {}, list);
    for (int k = 1; k <= kMacros; ++k) {
        storeBytes(Field::Command, {}, list, k);
        storeBytes(Field::Name, {}, list, k);
        for (int j = 1; j <= kDescriptionLines; ++j)
            storeBytes(Field::Description, {}, list, k, j);
    }
}

void MacroStore::rebuild() {
    for (int n = 1; n <= kLists; ++n) {
        ClrListCmd(n);
        storeBytes(Field::ListName, QByteArray("List ") + QByteArray::number(n), n);
        char *signature = m_image.data() + kRecordSize * (n - 1) + kSignatureOffset;
        qToLittleEndian<qint32>(kSignature, signature);
    }
}

MacroStore::Content MacroStore::readImage(const QString &path, QByteArray &image, QString &error, QByteArray *base) {
    if (base)
        base->clear();
    // Never through someone else's link, never waiting on a FIFO: like the
    // other files of the working directory.
    core::SafeFile opened;
    QFile file;
    if (!opened.openForReading(path)) {
        error = opened.errorString();
        image = blankImage(kFileSize);
        return opened.missing() ? Content::Missing : Content::Unreadable;
    }
    if (!opened.handTo(file)) {
        error = opened.errorString();
        return Content::Unreadable;
    }
    // Read into a blank image (it is 10 MB, read at every start): the empty
    // parts of the file take no memory.
    image = blankImage(base ? 2 * kFileSize : kFileSize);
    qint64 got = readSparse(file, image.data(), image.size());
    if (got < 0) {
        error = file.errorString();
        image = blankImage(kFileSize);
        return Content::Unreadable;
    }
    if (base) {
        // Whatever of the second half is there; a record cut short reads as
        // zeros, so unsigned.
        *base = QByteArray(kFileSize, '\0');
        const qsizetype whole = std::max<qint64>(0, got - kFileSize) / kRecordSize * kRecordSize;
        std::memcpy(base->data(), image.constData() + kFileSize, whole);
        image.truncate(kFileSize);
        got = std::min<qint64>(got, kFileSize);
    }
    // Records are read one by one up to the first one that is missing or
    // carries no signature; that one is the last in memory.
    const int whole = static_cast<int>(got / kRecordSize);
    const int good = signedRecords(image.constData(), whole);
    const qsizetype keep = kRecordSize * std::min(good + 1, whole);
    const bool bad = good < kLists;
    // A trailing part of a record is not a record.
    core::zeroAndRelease(image.data() + keep, kFileSize - keep);
    if (bad)
        error = QStringLiteral("Damaged: fewer than %1 whole records, or a record without its signature").arg(kLists);
    return bad ? Content::Damaged : Content::Good;
}

bool MacroStore::baseKnown(const QByteArray &base, int list) {
    return signedRecords(base.constData() + kRecordSize * (list - 1), 1) == 1;
}

bool MacroStore::fail(const QString &error) {
    m_error = error;
    return false;
}

bool MacroStore::LoadCmdConfig(const QString &path) {
    m_rebuilt = m_unreadable = m_tookRecovery = false;
    m_handled.clear();
    m_unsettled.clear();
    m_backupPath.clear();
    m_error.clear();
    core::FileLock lock;
    const bool locked = lock.lock(path);
    if (locked) {
        core::SafeFile::removeStaleTemporaries(path);
        core::SafeFile::removeStaleTemporaries(recoveryPath(path));
        takeInAside(path);
    }
    QString error;
    const Content content = readImage(path, m_image, error);
    if (content == Content::Good) {
        m_fileImage = m_image;
        return true;
    }
    if (content == Content::Unreadable) {
        // Out of reach is not damaged: the lists may well be intact, so the
        // file is never written over. The run goes on with default lists.
        m_unreadable = true;
        m_readError = error;
        m_image = blankImage(kFileSize);
        rebuild();
        m_fileImage = m_image;
        return fail(error);
    }
    m_rebuilt = true;
    rebuild();
    m_fileImage = m_image;
    if (!locked)
        return fail(lock.errorString());
    // A bad file that cannot be kept is not written over either.
    if (content == Content::Damaged && !keepBadCopy(path))
        return false;
    return writeWhole(path, m_image);
}

bool MacroStore::readOnly(const QString &path) {
    m_error.clear();
    QString error;
    const Content content = readImage(path, m_image, error);
    m_fileImage = m_image;
    if (content == Content::Good)
        return true;
    m_image = blankImage(kFileSize);
    m_fileImage = m_image;
    return fail(
        QStringLiteral("%1: %2").arg(path, content == Content::Missing ? QStringLiteral("no such file") : error));
}

QString MacroStore::rebuiltMessage() const {
    if (m_backupPath.isEmpty())
        return kRebuiltMessage;
    return kRebuiltMessage + QStringLiteral("\nПрежний файл сохранён как ") + QDir::toNativeSeparators(m_backupPath);
}

bool MacroStore::keepBadCopy(const QString &path) { return keepBad(path, m_backupPath, m_error); }

bool MacroStore::keepBad(const QString &path, QString &kept, QString &error) {
    QString target;
    if (!core::SafeFile::resolve(path, target, error))
        return false;
    const QFileInfo bad(target);
    if (!bad.exists() || bad.size() == 0)
        return true;
    const auto backup = [&target](int n) {
        return target + QStringLiteral(".bad") + (n == 0 ? QString() : QLatin1Char('.') + QString::number(n));
    };
    // The earlier copies move one number on; the oldest is replaced.
    for (int n = kBackups - 1; n > 0; --n)
        core::renameReplacing(backup(n - 1), backup(n));
    if (const int cause = core::renameReplacing(target, backup(0))) {
        error = core::errnoText(cause);
        return false;
    }
    kept = QFileInfo(backup(0)).absoluteFilePath();
    return true;
}

bool MacroStore::writeWhole(const QString &path, const QByteArray &image) {
    core::SafeFile file;
    return file.replaceWhole(path, image) || fail(file.errorString());
}

template <typename Visit>
void MacroStore::forEachSlot(Visit visit) {
    const auto at = [&visit](Field field, int list, int macro, int line) {
        visit(field, list, macro, line, slotOffset(field, list, macro, line));
    };
    for (int n = 1; n <= kLists; ++n) {
        at(Field::ListName, n, 1, 1);
        for (int k = 1; k <= kMacros; ++k) {
            at(Field::Command, n, k, 1);
            at(Field::Name, n, k, 1);
            for (int j = 1; j <= kDescriptionLines; ++j)
                at(Field::Description, n, k, j);
        }
    }
}

void MacroStore::mergeChangesInto(QByteArray &image, QByteArray *base) const {
    mergeChanges(m_image, m_fileImage, image, base);
}

void MacroStore::mergeChanges(const QByteArray &changed, const QByteArray &from, QByteArray &image, QByteArray *base) {
    forEachSlot([&](Field field, int, int, int, qsizetype at) {
        const int capacity = MacroStore::capacity(field);
        if (textAt(changed, at, capacity) == textAt(from, at, capacity))
            return;
        std::memcpy(image.data() + at, changed.constData() + at, capacity + 1);
        if (base)
            std::memcpy(base->data() + at, from.constData() + at, capacity + 1);
    });
}

QString MacroStore::unreadableText() const {
    return QStringLiteral("Not saved: the file could not be read at start (%1), so it is left as it is")
        .arg(m_readError);
}

bool MacroStore::save(const QString &path) {
    m_error.clear();
    // The edits were made on default lists: merged into the real file once it
    // can be read, they would overwrite macros the user never saw.
    if (m_unreadable)
        return fail(unreadableText());
    core::FileLock lock;
    if (!lock.lock(path))
        return fail(lock.errorString() + kKeptInMemory);
    QByteArray merged;
    QString error;
    switch (readImage(path, merged, error)) {
    case Content::Unreadable:
        return fail(error);
    case Content::Good:
        if (merged == m_fileImage)
            merged = m_image; // nobody else saved: the image goes out as it stands
        else
            mergeChangesInto(merged);
        break;
    case Content::Damaged:
        if (!keepBadCopy(path))
            return false;
        merged = m_image;
        break;
    case Content::Missing:
        merged = m_image;
        break;
    }
    if (!writeWhole(path, merged))
        return false;
    m_image = merged;
    m_fileImage = m_image;
    if (m_tookRecovery)
        dropHandledLocked(path);
    return true;
}

QString MacroStore::recoveryPath(const QString &path) { return path + QStringLiteral(".recovery"); }

bool MacroStore::hasRecovery(const QString &path) {
    return core::SafeFile::kindOf(recoveryPath(path)) == core::SafeFile::Kind::Regular;
}

QString MacroStore::recoveryQuestion(const QString &path) {
    return QStringLiteral("Несохранённые изменения макросов прошлого сеанса остались в файле %1.\nЗагрузить их?")
        .arg(QDir::toNativeSeparators(QFileInfo(recoveryPath(path)).absoluteFilePath()));
}

QString MacroStore::recoveryGoneText(const QString &path) {
    return QStringLiteral("Файла %1 уже нет: другое окно %2 загрузило эти правки и сохранило их или отказалось от них.")
        .arg(QDir::toNativeSeparators(QFileInfo(recoveryPath(path)).absoluteFilePath()), core::kProgramName);
}

MacroStore::RecoveryCheck MacroStore::checkRecovery(const QString &path) {
    m_error.clear();
    if (!hasRecovery(path))
        return RecoveryCheck::None;
    QByteArray kept;
    QString error;
    if (readImage(recoveryPath(path), kept, error) != Content::Damaged)
        return RecoveryCheck::Usable;
    // Offered at every start it could never be taken; kept aside, it is
    // still there for the user to look at.
    core::FileLock lock;
    QString aside;
    const QString shown = QDir::toNativeSeparators(QFileInfo(recoveryPath(path)).absoluteFilePath());
    if (!lock.lock(path) || !keepBad(recoveryPath(path), aside, error)) {
        m_error = QStringLiteral("Файл несохранённых правок макросов %1 повреждён.\n%2")
                      .arg(shown, lock.errorString().isEmpty() ? error : lock.errorString());
        return RecoveryCheck::SetAside;
    }
    m_error = QStringLiteral("Файл несохранённых правок макросов %1 повреждён, загрузить их нельзя.\n"
                             "Он сохранён как %2")
                  .arg(shown, QDir::toNativeSeparators(aside));
    return RecoveryCheck::SetAside;
}

bool MacroStore::writeRecovery(const QString &path) {
    m_error.clear();
    if (!differsFromFile())
        return true;
    // Taken at the next start, a copy of default lists would replace the
    // real ones.
    if (m_unreadable)
        return fail(unreadableText());
    core::FileLock lock;
    if (!lock.lock(path)) {
        if (!lock.busy())
            return fail(lock.errorString());
        // Not lost while another program holds the folder: a file of this
        // program's own, merged in at the next start.
        const QString aside = core::SafeFile::asideName(recoveryPath(path));
        if (!writeWhole(aside, m_image + m_fileImage))
            return fail(lock.errorString() + QLatin1Char('\n') + m_error);
        return fail(lock.errorString() +
                    QStringLiteral("\nНесохранённые правки записаны в %1 и будут предложены при следующем запуске.")
                        .arg(aside));
    }
    const QString recovery = recoveryPath(path);
    QByteArray changed, base;
    QString error;
    if (readImage(recovery, changed, error, &base) == Content::Good) {
        mergeChangesInto(changed, &base);
    } else {
        changed = m_image;
        base = m_fileImage;
    }
    return writeWhole(recovery, changed + base);
}

bool MacroStore::takeInAside(const QString &path) {
    const QString recovery = recoveryPath(path);
    const QStringList aside = core::SafeFile::asideFiles(recovery);
    if (aside.isEmpty())
        return true;
    QByteArray changed, base, more, moreBase;
    QString error;
    if (readImage(recovery, changed, error, &base) != Content::Good) {
        changed.clear();
        base.clear();
    }
    QStringList taken;
    for (const QString &file : aside) {
        if (readImage(file, more, error, &moreBase) != Content::Good)
            continue; // left for the user to look at
        if (changed.isEmpty()) {
            changed = more;
            base = moreBase;
        } else {
            mergeChanges(more, moreBase, changed, &base);
        }
        taken.append(file);
    }
    if (taken.isEmpty() || !writeWhole(recovery, changed + base))
        return false;
    for (const QString &file : std::as_const(taken))
        QFile::remove(file);
    return true;
}

bool MacroStore::takeRecovery(const QString &path) {
    m_error.clear();
    m_conflicts.clear();
    m_handled.clear();
    m_unsettled.clear();
    const QString recovery = recoveryPath(path);
    if (!hasRecovery(path))
        return fail(recoveryGoneText(path));
    QByteArray kept, base;
    QString error;
    if (readImage(recovery, kept, error, &base) != Content::Good)
        return fail(error);
    forEachSlot([&](Field field, int list, int macro, int line, qsizetype at) {
        const int capacity = MacroStore::capacity(field);
        // Without the image the changes were made on, a difference from the
        // store as saved may be the user's later save as well as a change
        // kept: the user is asked.
        const bool known = baseKnown(base, list);
        const QByteArrayView ours = textAt(kept, at, capacity), onDisk = textAt(m_fileImage, at, capacity),
                             from = textAt(base, at, capacity);
        if (known && ours == from)
            return; // not changed
        const Handled handled{ours.toByteArray(), from.toByteArray(), known};
        if (ours == onDisk) {
            m_handled.insert(at, handled); // saved as it is
        } else if (known && onDisk == from) {
            std::memcpy(m_image.data() + at, kept.constData() + at, capacity + 1);
            m_handled.insert(at, handled);
        } else {
            m_conflicts.append({field, list, macro, line, ours.toByteArray(), onDisk.toByteArray(), !known});
            m_unsettled.insert(at, handled);
        }
    });
    m_tookRecovery = true;
    // Nothing in it that the file does not hold already.
    return !m_conflicts.isEmpty() || differsFromFile() || dropHandled(path);
}

QString MacroStore::conflictQuestion() const {
    // A text shown in the question: whole up to a length, in quotes.
    const auto quoted = [](const QByteArray &text) {
        const QString whole = core::cp1251::toUnicode(text);
        return QStringLiteral("«%1»").arg(whole.size() > kQuotedLength ? whole.left(kQuotedLength) + QChar(0x2026)
                                                                       : whole);
    };
    QStringList named;
    bool unknown = false;
    for (const Conflict &c : m_conflicts) {
        if (named.size() == kConflictsNamed)
            break;
        QString line = QStringLiteral("список %1 «%2»").arg(c.list).arg(listName(c.list));
        switch (c.field) {
        case Field::ListName:
            line += QStringLiteral(", имя списка");
            break;
        case Field::Command:
            line += QStringLiteral(", макрос %1 «%2», команда").arg(c.macro).arg(name(c.list, c.macro));
            break;
        case Field::Name:
            line += QStringLiteral(", макрос %1 «%2», имя").arg(c.macro).arg(name(c.list, c.macro));
            break;
        case Field::Description:
            line += QStringLiteral(", макрос %1 «%2», описание, строка %3")
                        .arg(c.macro)
                        .arg(name(c.list, c.macro))
                        .arg(c.line);
            break;
        }
        named.append(line +
                     QStringLiteral(":\n    сохранено %1, не сохранено %2").arg(quoted(c.saved), quoted(c.kept)));
    }
    for (const Conflict &c : m_conflicts)
        unknown = unknown || c.baseUnknown;
    const qsizetype more = m_conflicts.size() - named.size();
    if (more > 0)
        named.append(QStringLiteral("и ещё %1").arg(more));
    const QString head =
        unknown ? QStringLiteral("Эти тексты в несохранённых правках прошлого сеанса отличаются от сохранённых, "
                                 "и неизвестно, какие из них новее (файл правок прежней версии или повреждён):")
                : QStringLiteral("Эти макросы изменены в несохранённых правках прошлого сеанса и сохранены заново "
                                 "после них:");
    return QStringLiteral("%1\n%2\nОставить сохранённые тексты? «Нет» — заменить их несохранёнными.")
        .arg(head, named.join(QLatin1Char('\n')));
}

bool MacroStore::settleConflicts(bool takeKept, const QString &path) {
    m_error.clear();
    if (takeKept) {
        for (const Conflict &c : std::as_const(m_conflicts))
            storeBytes(c.field, c.kept, c.list, c.macro, c.line);
    }
    m_conflicts.clear();
    m_handled.insert(m_unsettled);
    m_unsettled.clear();
    return differsFromFile() || dropHandled(path);
}

void MacroStore::postponeConflicts() {
    m_conflicts.clear();
    m_unsettled.clear();
}

bool MacroStore::dropHandled(const QString &path) {
    core::FileLock lock;
    return (lock.lock(path) || fail(lock.errorString())) && dropHandledLocked(path);
}

bool MacroStore::dropHandledLocked(const QString &path) {
    m_tookRecovery = false;
    const QHash<qsizetype, Handled> handled = std::exchange(m_handled, {});
    const QString recovery = recoveryPath(path);
    QByteArray changed, base;
    QString error;
    switch (readImage(recovery, changed, error, &base)) {
    case Content::Missing:
        return true;
    case Content::Good:
        break;
    default:
        return fail(error); // not ours to remove
    }
    bool left = false;
    forEachSlot([&](Field field, int list, int, int, qsizetype at) {
        const int capacity = MacroStore::capacity(field);
        const bool known = baseKnown(base, list);
        // What the slot is to read as once its change is gone.
        const QByteArray &plain = known ? base : m_fileImage;
        const QByteArrayView text = textAt(changed, at, capacity), from = textAt(plain, at, capacity);
        if (text == from)
            return;
        const auto it = handled.constFind(at);
        if (it == handled.cend() || it->kept != text || it->baseKnown != known || (known && it->base != from)) {
            left = true; // another window's change, written since
            return;
        }
        std::memcpy(changed.data() + at, plain.constData() + at, capacity + 1);
    });
    if (left)
        return writeWhole(recovery, changed + base);
    QFile file(recovery);
    return file.remove() || fail(file.errorString());
}

bool MacroStore::discardRecovery(const QString &path) {
    m_tookRecovery = false;
    m_handled.clear();
    m_unsettled.clear();
    const QString recovery = recoveryPath(path);
    if (core::SafeFile::kindOf(recovery) == core::SafeFile::Kind::Missing)
        return true;
    QFile file(recovery);
    return file.remove() || fail(file.errorString());
}

} // namespace macros
