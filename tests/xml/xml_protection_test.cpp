#include <gtest/gtest.h>

#include "tests/xml/xml_test_files.h"
#include "tests/xml/xml_test_holders.h"
#include "xml/xml_certificate_crypt.h"
#include "xml/xml_document.h"
#include "xml/xml_element.h"
#include "xml/xml_exchange.h"
#include "xml/xml_password_crypt.h"
#include "xml/xml_signing.h"
#include "xml/xml_writer.h"

#include <string>

namespace {

const char kSettings[] =
    "<?xml ?><root><Scripts>"
    "<Script name=\"a\" on=\"1\"><![CDATA[echo &amp; <b>]]><Step n=\"1\"/>body text</Script>"
    "<Script name=\"b\"/><Script name=\"c\"/><Script name=\"d\" x=\"&lt;\"/>"
    "</Scripts></root>";

class XmlProtection : public testing::Test {
protected:
    XmlProtection() {
        XmlDocumentOpenText(&doc_, kSettings);
        scripts_ = XmlElementFindPath(doc_.root, "Scripts");
    }
    std::string Text() { return XmlElementExchangeText(scripts_); }
    XmlElement* Child(uint32_t i) { return XmlElementGetChild(scripts_, i); }
    const TestHolders& Holders() {
        const TestHolders& h = GetTestHolders();
        if (!h.Made) ADD_FAILURE() << "the openssl command could not make the test certificates";
        return h;
    }

    XmlDocument doc_;
    XmlElement* scripts_ = nullptr;
};

std::string LastVariableName(XmlElement* e) {
    return XmlVariableGetNameString(e->variables.At(e->variables.Count() - 1));
}

} // namespace

TEST_F(XmlProtection, SignedElementsVerifyUntilTheirTextChanges) {
    const TestHolders& h = Holders();
    if (!h.Made) return;
    EXPECT_FALSE(XmlElementSign(scripts_, 4, h.A));
    EXPECT_FALSE(XmlElementSign(scripts_, 0, nullptr));
    ASSERT_TRUE(XmlElementSign(scripts_, 0, h.A)) << std::hex << GetLastError();
    EXPECT_EQ(LastVariableName(Child(0)), "__signature__");
    const std::string signedText = Text();
    EXPECT_FALSE(XmlElementSign(scripts_, 0, h.B)); // already signed: nothing changes
    EXPECT_EQ(Text(), signedText);

    PCCERT_CONTEXT signer = nullptr;
    ASSERT_TRUE(XmlElementVerifySignature(scripts_, 0, &signer));
    ASSERT_NE(signer, nullptr);
    EXPECT_TRUE(CertCompareCertificate(X509_ASN_ENCODING, signer->pCertInfo, h.A->pCertInfo));
    CertFreeCertificateContext(signer);
    EXPECT_EQ(Text(), signedText);

    // An attribute added after signing moves ahead of the signature and breaks it; taken away
    // again, the element verifies once more.
    XmlElementAddVariable(Child(0), "later", "1");
    EXPECT_FALSE(XmlElementVerifySignature(scripts_, 0, &signer));
    EXPECT_EQ(signer, nullptr);
    EXPECT_EQ(LastVariableName(Child(0)), "__signature__");
    XmlElementRemoveVariable(Child(0), XmlElementFindVariableIndex(Child(0), "later"));
    EXPECT_TRUE(XmlElementVerifySignature(scripts_, 0, nullptr));

    XmlTextSetText(Child(0)->texts.At(0), "body texT");
    EXPECT_FALSE(XmlElementVerifySignature(scripts_, 0, nullptr));
    XmlTextSetText(Child(0)->texts.At(0), "body text");
    XmlVariableSetValue(XmlElementFindVariable(XmlElementGetChild(Child(0), 0), "n"), "2");
    EXPECT_FALSE(XmlElementVerifySignature(scripts_, 0, nullptr));
    XmlVariableSetValue(XmlElementFindVariable(XmlElementGetChild(Child(0), 0), "n"), "1");
    EXPECT_TRUE(XmlElementVerifySignature(scripts_, 0, nullptr));

    XmlVariableSetValue(XmlElementFindSignature(scripts_, 0), "AAAA");
    EXPECT_FALSE(XmlElementVerifySignature(scripts_, 0, nullptr));
    EXPECT_TRUE(XmlElementRemoveSignatures(scripts_, 0));
    EXPECT_EQ(XmlElementFindSignature(scripts_, 0), nullptr);
    EXPECT_FALSE(XmlElementVerifySignature(scripts_, 0, nullptr));
}

TEST_F(XmlProtection, PasswordEncryptionRoundTripsAndAWrongPasswordChangesNothing) {
    XmlElement* original = XmlElementDuplicate(Child(0), nullptr);
    XmlElement* encrypted = XmlElementEncryptWithPassword(Child(0), "secret");
    ASSERT_NE(encrypted, nullptr);
    EXPECT_EQ(XmlElementGetNameString(encrypted), "Script");
    ASSERT_EQ(encrypted->texts.Count(), 1u);
    EXPECT_EQ(encrypted->texts.At(0)->position, 0u);
    EXPECT_EQ(XmlTextGetTextString(encrypted->texts.At(0)).find("echo"), std::string::npos);

    XmlElement* decrypted = XmlElementDecryptWithPassword(encrypted, "secret");
    ASSERT_NE(decrypted, nullptr);
    EXPECT_EQ(XmlElementCompare(decrypted, original), 0);
    XmlElementFree(decrypted);
    // A wrong password can pass the padding check now and then; it must still never give an element.
    for (int i = 0; i < 300; ++i) {
        EXPECT_EQ(XmlElementDecryptWithPassword(encrypted, ("wrong" + std::to_string(i)).c_str()), nullptr);
    }
    XmlElementFree(encrypted);

    // In place: the encrypted child and the decrypted one each come first.
    ASSERT_TRUE(XmlElementEncryptChildWithPassword(scripts_, 3, "pw"));
    EXPECT_EQ(XmlElementGetChildCount(scripts_), 4u);
    EXPECT_EQ(Child(0)->texts.Count(), 1u);
    EXPECT_EQ(XmlVariableGetValueString(XmlElementFindVariable(Child(1), "name")), "a");
    const std::string before = Text();
    EXPECT_FALSE(XmlElementDecryptChildWithPassword(scripts_, 0, "PW"));
    EXPECT_FALSE(XmlElementEncryptChildWithPassword(scripts_, 4, "pw"));
    EXPECT_EQ(Text(), before);
    ASSERT_TRUE(XmlElementDecryptChildWithPassword(scripts_, 0, "pw"));
    EXPECT_EQ(XmlVariableGetValueString(XmlElementFindVariable(Child(0), "x")), "<");

    // Encrypted, saved to a file and read back, the element still decrypts.
    ASSERT_TRUE(XmlElementEncryptChildWithPassword(scripts_, 1, "pw"));
    TempFolder folder;
    ASSERT_EQ(XmlDocumentSave(&doc_, folder.FileUtf8(L"s.xml").c_str(), 1, 0, nullptr), 1);
    XmlDocument reread;
    XmlDocumentOpenFile(&reread, folder.File(L"s.xml").c_str());
    decrypted = XmlElementDecryptWithPassword(
        XmlElementGetChild(XmlElementFindPath(reread.root, "Scripts"), 0), "pw");
    ASSERT_NE(decrypted, nullptr);
    EXPECT_EQ(XmlElementCompare(decrypted, original), 0);
    XmlElementFree(decrypted);
    XmlElementFree(original);

    std::string out;
    EXPECT_FALSE(XmlPasswordCrypt(false, "p", 1, nullptr, 4, &out));
    EXPECT_FALSE(XmlPasswordCrypt(false, "p", 1, "data", 0, &out));
}

TEST_F(XmlProtection, EachCertificateHolderDecrypts) {
    const TestHolders& h = Holders();
    if (!h.Made) return;
    PCCERT_CONTEXT recipients[] = {h.A, h.B};
    XmlElement* encrypted = XmlElementEncryptForCertificates(scripts_, 0, recipients, 2);
    ASSERT_NE(encrypted, nullptr);
    EXPECT_EQ(XmlElementGetNameString(encrypted), "Script");
    ASSERT_NE(XmlElementFindVariable(encrypted, "v"), nullptr);
    EXPECT_EQ(XmlElementExchangeText(encrypted).find("echo"), std::string::npos);
    EXPECT_EQ(XmlElementEncryptForCertificates(scripts_, 0, recipients, 0), nullptr);
    EXPECT_EQ(XmlElementEncryptForCertificates(scripts_, 9, recipients, 2), nullptr);

    // Wine's CryptDecryptMessage is a stub: the holders open the message through libcrypto.
    for (PCCERT_CONTEXT holder : {h.A, h.B}) {
        HCERTSTORE store = StoreWith(holder);
        UseLibcryptoDecryption(store);
        PCCERT_CONTEXT used = nullptr;
        XmlElement* decrypted = XmlElementDecryptWithCertificate(encrypted, kXmlNotFound, &used);
        ASSERT_NE(decrypted, nullptr) << std::hex << GetLastError();
        EXPECT_EQ(XmlElementCompare(decrypted, Child(0)), 0);
        ASSERT_NE(used, nullptr);
        EXPECT_TRUE(CertCompareCertificate(X509_ASN_ENCODING, used->pCertInfo, holder->pCertInfo));
        CertFreeCertificateContext(used);
        XmlElementFree(decrypted);
        UseLibcryptoDecryption(nullptr);
        CertCloseStore(store, 0);
    }
    HCERTSTORE outsider = StoreWith(h.C);
    UseLibcryptoDecryption(outsider);
    PCCERT_CONTEXT used = nullptr;
    EXPECT_EQ(XmlElementDecryptWithCertificate(encrypted, kXmlNotFound, &used), nullptr);
    EXPECT_EQ(used, nullptr);
    UseLibcryptoDecryption(nullptr);
    CertCloseStore(outsider, 0);
    EXPECT_EQ(XmlElementDecryptWithCertificate(scripts_, 0, nullptr), nullptr); // no "v"
    XmlElementFree(encrypted);
}

TEST_F(XmlProtection, TheSystemsDecryptionFindsNoHolderInTheUsersStore) {
    if (GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version"))
        GTEST_SKIP() << "Wine 8 has no CryptDecryptMessage (calling it ends the process)";
    const TestHolders& h = Holders();
    if (!h.Made) return;
    XmlElement* encrypted =
        XmlElementEncryptForCertificates(scripts_, 0, const_cast<PCCERT_CONTEXT*>(&h.C), 1);
    ASSERT_NE(encrypted, nullptr);
    EXPECT_EQ(XmlElementDecryptWithCertificate(encrypted, kXmlNotFound, nullptr), nullptr);
    XmlElementFree(encrypted);
}
