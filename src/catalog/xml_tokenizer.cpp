#include "catalog/xml_tokenizer.h"

#include <filesystem>

namespace kelanim {

namespace {

// The document's head is handed over whole so that libxml2 can recognise the
// encoding from its first bytes.
constexpr long head_bytes = 4;

const char* text_of(const xmlChar* text) { return text ? reinterpret_cast<const char*>(text) : ""; }

}  // namespace

XmlTokenizer::XmlTokenizer(const std::filesystem::path& path)
{
    std::error_code error;
    if (std::filesystem::is_directory(path, error)) return;
    file_.reset(std::fopen(path.c_str(), "rb"));
    if (!file_) return;
    // Problems are reported through malformed(), so libxml2 stays quiet; it
    // never reaches out to the network for a DTD.
    const int options = XML_PARSE_NONET | XML_PARSE_NOERROR | XML_PARSE_NOWARNING;
    reader_.reset(xmlReaderForIO(&XmlTokenizer::feed, nullptr, this, path.c_str(), nullptr, options));
    if (!reader_) {
        file_.reset();
        return;
    }
}

XmlTokenizer::~XmlTokenizer() = default;

// libxml2 parses ahead of the node it hands out and, once it meets a fault,
// drops whatever it had parsed but not yet handed out. Feeding the body one
// byte at a time keeps that lookahead to nothing, so every tag before a fault
// still reaches the caller. The file is buffered, so this costs little.
int XmlTokenizer::feed(void* context, char* buffer, int length)
{
    auto* self = static_cast<XmlTokenizer*>(context);
    if (length <= 0) return 0;
    if (self->bytes_fed_ >= head_bytes) length = 1;
    const std::size_t got = std::fread(buffer, 1, static_cast<std::size_t>(length), self->file_.get());
    if (got == 0 && std::ferror(self->file_.get())) return -1;
    self->bytes_fed_ += static_cast<long>(got);
    return static_cast<int>(got);
}

bool XmlTokenizer::next()
{
    if (!reader_ || finished_) return false;
    for (;;) {
        const int result = xmlTextReaderRead(reader_.get());
        if (result != 1) {
            finished_ = true;
            malformed_ = result < 0;
            attributes_.clear();
            name_.clear();
            return false;
        }
        const int type = xmlTextReaderNodeType(reader_.get());
        if (type == XML_READER_TYPE_ELEMENT) {
            kind_ = xmlTextReaderIsEmptyElement(reader_.get()) == 1 ? xml_tag_kind::empty_tag
                                                                    : xml_tag_kind::start_tag;
            name_ = text_of(xmlTextReaderConstName(reader_.get()));
            read_attributes();
            return true;
        }
        if (type == XML_READER_TYPE_END_ELEMENT) {
            kind_ = xml_tag_kind::end_tag;
            name_ = text_of(xmlTextReaderConstName(reader_.get()));
            attributes_.clear();
            return true;
        }
        // Declaration, comments, processing instructions, text, CDATA: passed over.
    }
}

void XmlTokenizer::read_attributes()
{
    attributes_.clear();
    xmlTextReaderPtr reader = reader_.get();
    if (xmlTextReaderMoveToFirstAttribute(reader) != 1) return;
    do {
        attributes_.push_back({text_of(xmlTextReaderConstName(reader)), text_of(xmlTextReaderConstValue(reader))});
    } while (xmlTextReaderMoveToNextAttribute(reader) == 1);
    xmlTextReaderMoveToElement(reader);
}

}  // namespace kelanim
