// A pull tokenizer over an XML file: it hands out the tags of the document
// one after another and passes over everything else (declaration, comments,
// processing instructions, text, character data).
//
// It is a thin layer over libxml2's xmlTextReader, which tells an
// empty-element tag (<a/>) from a start tag (<a>) followed by an end tag; the
// catalog reader depends on that difference.
#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <libxml/xmlreader.h>

namespace kelanim {

enum class xml_tag_kind { start_tag, empty_tag, end_tag };

struct xml_attribute {
    std::string name;
    std::string value;  // character and entity references already replaced
};

class XmlTokenizer {
public:
    // Opens `path` for reading. A file that cannot be opened leaves the
    // tokenizer closed: is_open() is false and next() returns false.
    explicit XmlTokenizer(const std::filesystem::path& path);
    ~XmlTokenizer();
    XmlTokenizer(const XmlTokenizer&) = delete;
    XmlTokenizer& operator=(const XmlTokenizer&) = delete;

    bool is_open() const { return reader_ != nullptr; }

    // Steps to the next tag. False at the end of the document, and also
    // where the document stops being well-formed: every tag before the fault
    // has been handed out, none after it.
    bool next();

    // True once next() stopped at a fault rather than at the end.
    bool malformed() const { return malformed_; }

    // The current tag; attributes in document order, only for start and
    // empty-element tags.
    xml_tag_kind kind() const { return kind_; }
    const std::string& name() const { return name_; }
    const std::vector<xml_attribute>& attributes() const { return attributes_; }

private:
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };
    struct ReaderFreer {
        void operator()(xmlTextReaderPtr reader) const { xmlFreeTextReader(reader); }
    };

    static int feed(void* context, char* buffer, int length);
    void read_attributes();

    std::unique_ptr<std::FILE, FileCloser> file_;
    std::unique_ptr<xmlTextReader, ReaderFreer> reader_;
    long bytes_fed_ = 0;
    bool finished_ = false;
    bool malformed_ = false;
    xml_tag_kind kind_ = xml_tag_kind::start_tag;
    std::string name_;
    std::vector<xml_attribute> attributes_;
};

}  // namespace kelanim
