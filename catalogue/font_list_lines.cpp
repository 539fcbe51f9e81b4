// The reading of one FontList.txt line, apart from the file and the messages, so that the font
// maker's tool reads lines exactly as the installer does.
#include "catalogue/font_list.h"

#include "common/cp932.h"

void StripLineEnd(std::string& text) {
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) {
        text.pop_back();
    }
}

void TrimLeadingSpaces(std::string& text) {
    std::size_t first = 0;
    while (first < text.size() && text[first] == ' ') {
        ++first;
    }
    text.erase(0, first);
}

void TrimTrailingSpaces(std::string& text) {
    while (!text.empty() && text.back() == ' ') {
        text.pop_back();
    }
}

void SplitCsvLine(const std::string& line, std::vector<std::string>& fields) {
    fields.clear();
    std::size_t pos = 0;
    while (pos < line.size()) {
        std::string field;
        std::size_t comma;
        if (line[pos] == '"') {
            // Inside quotes every byte is looked at alone: neither '"' nor ',' can be the second
            // byte of a double-byte character.
            std::size_t i = pos + 1;
            bool closed = false;
            while (i < line.size()) {
                if (line[i] == '"') {
                    if (i + 1 < line.size() && line[i + 1] == '"') {
                        field += '"';
                        i += 2;
                        continue;
                    }
                    closed = true;
                    ++i;
                    break;
                }
                field += line[i];
                ++i;
            }
            if (!closed) {
                fields.push_back(field);
                return;
            }
            comma = cp932::FindChar(line, ',', i);
            field.append(line, i, comma == std::string::npos ? std::string::npos : comma - i);
        } else {
            comma = cp932::FindChar(line, ',', pos);
            field.assign(line, pos, comma == std::string::npos ? std::string::npos : comma - pos);
        }
        fields.push_back(field);
        if (comma == std::string::npos) {
            return;
        }
        // A comma at the very end opens no empty last field.
        pos = comma + 1;
    }
}

bool FontListLineParser::Parse(const char* piece, FontEntry& entry) {
    line_.assign(piece);  // up to the first NUL
    StripLineEnd(line_);
    SplitCsvLine(line_, fields_);
    if (fields_.size() != 2) {
        return false;
    }
    for (std::string& field : fields_) {
        TrimLeadingSpaces(field);
        TrimTrailingSpaces(field);
    }
    if (fields_[0].empty() || fields_[1].empty()) {
        return false;
    }
    entry.fontName.assign(fields_[0]);
    entry.fileName.assign(fields_[1]);
    return true;
}
