#include "platform/text_wipe.h"

#include "vault/secure_wipe.h"

namespace {

template <typename T>
void WipeBuffer(T& text) {
    auto& d = text.data_ptr();
    if (d.d_ptr() != nullptr && d.data() != nullptr) {
        // The buffer as allocated: a removal at the front only moves the start past its text.
        auto* start = d.data() - d.freeSpaceAtBegin();
        const qsizetype count = d.freeSpaceAtBegin() + d.size + d.freeSpaceAtEnd();
        SecureWipe(start, std::size_t(count) * sizeof(*start));
    }
    text = T();
}

}  // namespace

void WipeText(QString& text) {
    WipeBuffer(text);
}

void WipeText(QByteArray& bytes) {
    WipeBuffer(bytes);
}
