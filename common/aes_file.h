// AES encryption of whole files. The output holds the cipher blocks of the blank-padded
// contents only, so a decrypted file keeps the padding. Outputs appear only when complete.
#pragma once

#include <string>
#include <string_view>

// The key is cut at 16 bytes and followed by zero bytes up to keyBits / 8. False when the
// input cannot be opened or read, the key size is unsupported or the output cannot be
// written in full.
bool AesCryptFile(std::string_view key, int keyBits, const std::wstring& inputPath,
                  const std::wstring& outputPath, bool encrypt);
bool EncryptFileAes(std::string_view key, int keyBits, const std::wstring& inputPath,
                    const std::wstring& outputPath);
bool DecryptFileAes(std::string_view key, int keyBits, const std::wstring& inputPath,
                    const std::wstring& outputPath);

// AES-256 keyed by the pass phrase; an encrypted output is then made read-only.
bool CryptFileWithPassphrase(const std::wstring& inputPath, const std::wstring& outputPath,
                             std::string_view passPhrase, bool decrypt);
