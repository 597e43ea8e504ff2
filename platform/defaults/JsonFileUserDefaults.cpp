#include "platform/defaults/JsonFileUserDefaults.h"

#include "platform/files/RegularFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStandardPaths>
#include <cerrno>
#include <cmath>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

namespace {

// Deeper values could exhaust the stack when the file is written back.
constexpr int maxNestingDepth = 256;

std::optional<QByteArray> dataFromJson(const nlohmann::json& json)
{
    if (!json.is_object() || json.size() != 1 || !json.contains("data") || !json["data"].is_string())
        return std::nullopt;
    const auto decoded = QByteArray::fromBase64Encoding(
        QByteArray::fromStdString(json["data"].get<std::string>()), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return std::nullopt;
    return *decoded;
}

std::optional<QStringList> stringListFromJson(const nlohmann::json& json)
{
    if (!json.is_array())
        return std::nullopt;
    QStringList list;
    for (const nlohmann::json& element : json) {
        if (!element.is_string())
            return std::nullopt;
        list.append(QString::fromStdString(element.get<std::string>()));
    }
    return list;
}

std::optional<UserDefaults::Value> valueFromJson(const nlohmann::json& json)
{
    if (json.is_boolean())
        return json.get<bool>();
    if (json.is_number_integer() && !json.is_number_unsigned())
        return json.get<qint64>();
    if (json.is_number_unsigned() && json.get<quint64>() <= quint64(std::numeric_limits<qint64>::max()))
        return qint64(json.get<quint64>());
    if (json.is_number_float())
        return json.get<double>();
    if (json.is_string())
        return QString::fromStdString(json.get<std::string>());
    if (auto list = stringListFromJson(json))
        return *list;
    if (auto data = dataFromJson(json))
        return *data;
    return std::nullopt;
}

nlohmann::json jsonFromValue(const UserDefaults::Value& value)
{
    if (const auto* flag = std::get_if<bool>(&value))
        return *flag;
    if (const auto* integer = std::get_if<qint64>(&value))
        return *integer;
    if (const auto* number = std::get_if<double>(&value))
        return *number;
    if (const auto* text = std::get_if<QString>(&value))
        return text->toStdString();
    if (const auto* list = std::get_if<QStringList>(&value)) {
        nlohmann::json array = nlohmann::json::array();
        for (const QString& element : *list)
            array.push_back(element.toStdString());
        return array;
    }
    return { { "data", std::get<QByteArray>(value).toBase64().toStdString() } };
}

// Builds the document as it is read and gives up at the first value nested too deeply, so that a file of
// millions of brackets costs neither the memory of a document nor the time to read it all.
class DepthLimitedBuilder
{
public:
    explicit DepthLimitedBuilder(nlohmann::json& document)
        : m_builder(document, false)
    { }

    bool null() { return m_builder.null(); }
    bool boolean(bool value) { return m_builder.boolean(value); }
    bool number_integer(nlohmann::json::number_integer_t value) { return m_builder.number_integer(value); }
    bool number_unsigned(nlohmann::json::number_unsigned_t value) { return m_builder.number_unsigned(value); }
    bool number_float(nlohmann::json::number_float_t value, const std::string& text)
    {
        return m_builder.number_float(value, text);
    }
    bool string(std::string& value) { return m_builder.string(value); }
    bool binary(nlohmann::json::binary_t& value) { return m_builder.binary(value); }
    bool key(std::string& value) { return m_builder.key(value); }
    bool start_object(std::size_t size) { return enter() && m_builder.start_object(size); }
    bool end_object()
    {
        --m_depth;
        return m_builder.end_object();
    }
    bool start_array(std::size_t size) { return enter() && m_builder.start_array(size); }
    bool end_array()
    {
        --m_depth;
        return m_builder.end_array();
    }
    bool parse_error(std::size_t position, const std::string& token, const nlohmann::json::exception& error)
    {
        // "[json.exception.parse_error.101] parse error at line 2, column 9: ..."
        m_error = QString::fromUtf8(error.what());
        m_error.remove(QRegularExpression(QStringLiteral("^\\[[^]]*\\] ")));
        return m_builder.parse_error(position, token, error);
    }

    // The parser's own words, with its line and column, when the bytes are no JSON; else empty.
    const QString& error() const { return m_error; }

private:
    bool enter() { return ++m_depth <= maxNestingDepth; }

    nlohmann::detail::json_sax_dom_parser<nlohmann::json> m_builder;
    int m_depth = 0;
    QString m_error;
};

// The defaults document in `bytes`, or why there is none in `problem`.
std::optional<nlohmann::json> parseObject(const QByteArray& bytes, QString& problem)
{
    nlohmann::json document;
    DepthLimitedBuilder builder(document);
    if (!nlohmann::json::sax_parse(bytes.begin(), bytes.end(), &builder) || !document.is_object()) {
        problem = !builder.error().isEmpty()
            ? builder.error()
            : QStringLiteral("it holds no JSON object, or one nested deeper than %1").arg(maxNestingDepth);
        return std::nullopt;
    }
    return document;
}

} // namespace

QString JsonFileUserDefaults::standardFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + QStringLiteral("/tolvar/defaults.json");
}

JsonFileUserDefaults::JsonFileUserDefaults(const QString& filePath, QObject* parent)
    : UserDefaults(parent)
    , m_filePath(filePath)
    , m_writer(filePath, QStringLiteral("the defaults file"))
{
    load();
}

std::optional<UserDefaults::Value> JsonFileUserDefaults::value(const QString& key) const
{
    const auto found = m_document.find(key.toStdString());
    if (found == m_document.end())
        return std::nullopt;
    return valueFromJson(*found);
}

void JsonFileUserDefaults::setValue(const QString& key, const Value& value)
{
    if (const auto* number = std::get_if<double>(&value); number && !std::isfinite(*number)) {
        qWarning("Not storing the default %s: %f has no JSON form", qUtf8Printable(key), *number);
        return;
    }
    m_document[key.toStdString()] = jsonFromValue(value);
    save();
    Q_EMIT changed(key);
}

void JsonFileUserDefaults::remove(const QString& key)
{
    if (m_document.erase(key.toStdString()) == 0)
        return;
    save();
    Q_EMIT changed(key);
}

QStringList JsonFileUserDefaults::keys() const
{
    QStringList result;
    for (const auto& [key, json] : m_document.items()) {
        if (valueFromJson(json))
            result.append(QString::fromStdString(key));
    }
    return result;
}

void JsonFileUserDefaults::load()
{
    if (!QFileInfo::exists(m_filePath))
        return;
    // A file kept from us is not broken: it stays as it is, and nothing is written over it.
    if (::access(QFile::encodeName(m_filePath).constData(), R_OK) != 0 && errno == EACCES) {
        qWarning("No permission to read the defaults file %s; running on defaults, and changes will not be saved",
            qUtf8Printable(m_filePath));
        m_canWrite = false;
        return;
    }
    // A folder there is set aside as a broken file is. Anything else that is no regular file is no settings file
    // either, and is never opened in a way that can block (a FIFO) or read without end (a link to /dev/zero).
    const bool isFolder = QFileInfo(m_filePath).isDir();
    RegularFile file(m_filePath);
    std::optional<QByteArray> bytes = file.readAll(maximumFileSize);
    if (!bytes && !isFolder) {
        const QString problem = file.isOpen()
            ? QStringLiteral("it is larger than %1 bytes or cannot be read").arg(maximumFileSize)
            : file.errorString();
        qWarning("Cannot read the defaults file %s: %s; running on defaults, and changes will not be saved",
            qUtf8Printable(m_filePath), qUtf8Printable(problem));
        m_canWrite = false;
        return;
    }
    std::optional<nlohmann::json> document;
    bool repaired = false;
    if (bytes) {
        QByteArray text = *bytes;
        // A stray byte from an editor in another encoding spoils one string, not every setting.
        if (!QByteArrayView(text).isValidUtf8()) {
            qWarning("The defaults file %s holds bytes that are not UTF-8; they read as replacement characters",
                qUtf8Printable(m_filePath));
            text = QString::fromUtf8(text).toUtf8();
            repaired = true;
        }
        QString problem;
        document = parseObject(text, problem);
        if (!document)
            qWarning("Cannot read the defaults file %s: %s", qUtf8Printable(m_filePath), qUtf8Printable(problem));
    }
    if (document) {
        m_document = std::move(*document);
        if (repaired)
            m_bytesBeforeRepair = std::move(bytes);
        return;
    }
    m_canWrite = setBrokenFileAside();
}

bool JsonFileUserDefaults::setBrokenFileAside()
{
    const QString stamp = QFileInfo(m_filePath).lastModified().toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    QString target = m_filePath + QStringLiteral(".broken-") + stamp;
    for (int n = 2; QFileInfo::exists(target); ++n)
        target = m_filePath + QStringLiteral(".broken-") + stamp + u'-' + QString::number(n);
    if (QFile::rename(m_filePath, target)) {
        qWarning("Unreadable defaults file moved to %s; starting from empty defaults", qUtf8Printable(target));
        return true;
    }
    qWarning(
        "Unreadable defaults file %s could not be moved aside; changes will not be saved", qUtf8Printable(m_filePath));
    return false;
}

bool JsonFileUserDefaults::keepCopyBeforeRepair()
{
    const QString base = m_filePath + QStringLiteral(".before-utf8-repair");
    QString target = base;
    for (int n = 2; QFileInfo::exists(target) || QFileInfo(target).isSymLink(); ++n) {
        // Kept already by a start that then could not write the file back, as when it is a link into a read-only
        // folder: a copy at every start would fill the disk with the same bytes.
        if (RegularFile::read(target, m_bytesBeforeRepair->size(), RegularFile::Links::Refused)
            == m_bytesBeforeRepair) {
            m_bytesBeforeRepair.reset();
            m_repairCopyFailing = false;
            return true;
        }
        target = base + u'-' + QString::number(n);
    }
    if (const std::optional<QString> error = WholeFileWriter::writeFile(target, *m_bytesBeforeRepair)) {
        if (!m_repairCopyFailing) {
            qWarning("Not writing the defaults file %s: it holds bytes that are not UTF-8, and no copy of it could be "
                     "kept as %s: %s",
                qUtf8Printable(m_filePath), qUtf8Printable(target), qUtf8Printable(*error));
        }
        m_repairCopyFailing = true;
        return false;
    }
    qWarning("The defaults file %s held bytes that are not UTF-8; kept it as it was in %s before writing it back",
        qUtf8Printable(m_filePath), qUtf8Printable(target));
    m_bytesBeforeRepair.reset();
    m_repairCopyFailing = false;
    return true;
}

void JsonFileUserDefaults::save()
{
    if (!m_canWrite || !reachesRegularFile())
        return;
    QDir().mkpath(QFileInfo(m_filePath).absolutePath());
    // Written back as UTF-8, what another tool wrote in another encoding would be gone.
    if (m_bytesBeforeRepair && !keepCopyBeforeRepair())
        return;
    const std::string text = m_document.dump(4, ' ', false, nlohmann::json::error_handler_t::replace) + '\n';
    m_writer.write(QByteArrayView(text.data(), qsizetype(text.size())));
}

bool JsonFileUserDefaults::reachesRegularFile()
{
    // The path, or a link on it, may have changed since the start: the write would replace a FIFO or a device it now
    // reaches (as root, even /dev/zero) with a regular file. Only a regular file is written, or one made where
    // nothing is.
    struct stat reached = {};
    const bool regular = ::stat(QFile::encodeName(m_filePath).constData(), &reached) != 0 || S_ISREG(reached.st_mode);
    if (!regular && !m_notRegularReported) {
        qWarning("Not writing the defaults file %s: it is no regular file now; changes are kept until it is one again",
            qUtf8Printable(m_filePath));
    }
    m_notRegularReported = !regular;
    return regular;
}

} // namespace platform
