#pragma once
// URL: an immutable URL with strict parsing, as the system's URL services
// parse: a string that is not a well-formed URL gives a null URL, it is never
// repaired (unlike QUrl). Parts, after RFC 1808:
//
//   scheme:[//[user[:password]@]host[:port]][path][;parameters][?query][#fragment]
//
//   URL::URLWithString("http://u:p@h:8/a/b;x?q#f")
//       scheme "http", user "u", password "p", host "h", port 8,
//       path "/a/b", parameterString "x", query "q", fragment "f",
//       resourceSpecifier "//u:p@h:8/a/b;x?q#f"
//   URL::URLWithString("a b")          => null (a space is not allowed)
//   URL::URLWithString("mailto:x@y.z") => scheme "mailto", path null
//   URL::URLWithString("")             => null
//
// Parts that are absent are null strings; parts that are present but empty
// are empty strings. path() is percent-decoded and loses a trailing "/"
// (except for "/" itself); the other parts are as written.

#include <QString>
#include <QVariant>

#include <memory>

namespace sorvant {

class URL
{
public:
    URL() = default; // the null URL

    // Parses `string`; a null URL when it is not a well-formed URL.
    static URL URLWithString(const QString& string);
    // Parses `string` relative to `base` (RFC 1808 resolution when `string`
    // has no scheme). With a null base, the same as URLWithString(string).
    static URL URLWithString(const QString& string, const URL& base);
    // The file URL of `path` ("file://" and the percent-encoded bytes of the
    // path on disk, so a name that is not UTF-8 keeps its bytes; a relative
    // path is taken relative to the current folder). With `isDirectory` the
    // URL ends in "/". No file-system access. Null for an empty path or one
    // holding U+0000.
    //   "/tmp/a b" => "file:///tmp/a%20b"   u"/a\uDCFF" => "file:///a%FF"
    static URL fileURLWithPath(const QString& path, bool isDirectory = false);

    [[nodiscard]] bool isNull() const { return !m_data; }
    explicit operator bool() const { return !isNull(); }

    // --- parts ------------------------------------------------------------
    [[nodiscard]] QString scheme() const;
    [[nodiscard]] QString resourceSpecifier() const;
    [[nodiscard]] QString user() const;
    [[nodiscard]] QString password() const;
    [[nodiscard]] QString host() const;
    // The port as an integer QVariant, or an invalid QVariant when none.
    [[nodiscard]] QVariant port() const;
    // The percent-decoded path (null when the URL is not hierarchical). A
    // file URL's path is decoded as file-system bytes
    // (platform/file_system_representation.h): "file:///a%FF" => u"/a\uDCFF";
    // other URLs decode UTF-8 and answer null for bytes that are not.
    [[nodiscard]] QString path() const;
    // The path as written: still percent-encoded, trailing "/" kept.
    [[nodiscard]] QString pathAsWritten() const;
    [[nodiscard]] QString parameterString() const;
    [[nodiscard]] QString query() const;
    [[nodiscard]] QString fragment() const;

    // --- whole forms ------------------------------------------------------
    // The string of the URL, resolved against its base when it has one.
    [[nodiscard]] QString absoluteString() const;
    // The string the URL was made from.
    [[nodiscard]] QString relativeString() const;
    [[nodiscard]] URL baseURL() const;
    [[nodiscard]] URL absoluteURL() const;
    // The URL with "." and ".." segments of its path resolved.
    [[nodiscard]] URL standardizedURL() const;

    // --- tests and path pieces --------------------------------------------
    // True for the scheme "file", in any case.
    [[nodiscard]] bool isFileURL() const;
    // Whether the path as written ends in "/".
    [[nodiscard]] bool hasDirectoryPath() const;
    // The last path segment, decoded, without a trailing "/": "/a/b/" => "b",
    // "/" => "/"; null when there is no path.
    [[nodiscard]] QString lastPathComponent() const;
    // The extension of the last path segment: "/a/b.txt" => "txt"; "" when
    // it has none; null when there is no path.
    [[nodiscard]] QString pathExtension() const;

    friend bool operator==(const URL& a, const URL& b) { return a.absoluteString() == b.absoluteString(); }

private:
    struct Data;
    explicit URL(std::shared_ptr<const Data> data) : m_data(std::move(data)) {}
    std::shared_ptr<const Data> m_data;
};

// Percent-decodes `string` (bytes as UTF-8); null when an escape is broken.
//   percentDecoded("a%20b") => "a b"    percentDecoded("%zz") => null
[[nodiscard]] QString percentDecoded(const QString& string);

} // namespace sorvant
