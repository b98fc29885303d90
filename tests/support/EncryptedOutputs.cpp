#include "EncryptedOutputs.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "E2eSupport.h"

namespace e2e {

const std::vector<EncryptionHandler>& everyEncryptionHandler() {
    static const std::vector<EncryptionHandler> handlers = {
        {"Rc4Of40Bits", {"40"}},
        {"Rc4Of128Bits", {"128", "--use-aes=n"}},
        {"AesOf128Bits", {"128", "--use-aes=y"}},
        {"Aes256Revision5", {"256", "--force-R5"}},
        {"Aes256Revision6", {"256"}},
    };
    return handlers;
}

std::string qpdfShown(const std::string& pdf, const std::string& password, const std::string& option) {
    return runProcess({"qpdf", "--password=" + password, option, pdf}, "", true).output;
}

std::string firstId(const std::string& pdf, const std::string& password) {
    const ProcessResult shown = runProcess({"qpdf", "--password=" + password, "--json=2", "--json-key=qpdf", pdf});
    const nlohmann::json document = nlohmann::json::parse(shown.output, nullptr, false);
    if (document.is_discarded()) return "unreadable";
    return document["qpdf"][1]["trailer"]["value"].value("/ID", nlohmann::json::array({""}))[0].dump();
}

void expectKeptEncryption(const std::string& input, const std::string& output, const std::string& password,
                          const std::string& rotations) {
    EXPECT_TRUE(qpdfCheckClean(output, password));
    EXPECT_TRUE(isRotatedCopy(input, output, rotations, password));
    EXPECT_EQ(qpdfShown(input, password, "--show-encryption"), qpdfShown(output, password, "--show-encryption"));
    EXPECT_EQ(firstId(input, password), firstId(output, password));
}

}  // namespace e2e
