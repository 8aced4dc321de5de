// The document's lock: the vault sealed as its file's bytes, its texts and password wiped, and
// opened again with the password.
#include "document/zelmora_doc.h"

#include "document/vault_sync.h"
#include "platform/message_box.h"
#include "vault/heap_hygiene.h"
#include "vault/vault_seal.h"

using namespace Qt::StringLiterals;

bool CZelmoraDoc::CanLock() const {
    return !IsLocked() && GetVaultPasswordLength() > 0;
}

bool CZelmoraDoc::Lock() {
    if (!CanLock()) {
        return false;
    }
    auto sealed = std::make_unique<SSealedVault>();
    const SVaultResult result = SealVault(m_data, *sealed);
    if (!result.ok()) {
        // Never at the price of the entries: the vault stays open and says why.
        QString text = u"Der Tresor kann nicht gesperrt werden."_s;
        const QString detail = FailureDetail(result);
        if (!detail.isEmpty()) {
            text += u'\n' + detail;
        }
        ZMessageBox(text, QMessageBox::Ok, QMessageBox::NoIcon, MainWindow());
        return false;
    }
    emit aboutToLock();
    m_sync->Seal(m_data.GetVaultPassword());
    const bool modified = IsModified();
    m_data.RemoveAllEntries();
    m_data.SetVaultPassword(std::string());
    m_data.SetModified(modified);
    m_pSealed = std::move(sealed);
    ScrubFreedMemory();
    emit lockChanged(true);
    return true;
}

bool CZelmoraDoc::Unlock(const std::string& password) {
    if (!IsLocked()) {
        return true;
    }
    if (!UnsealVault(*m_pSealed, password, m_data).ok()) {
        // Locked because the file's password changed elsewhere: the new one opens the file.
        if (m_sync->UnlockFromFile(password)) {
            m_pSealed.reset();
            emit lockChanged(false);
            return true;
        }
        return false;
    }
    m_pSealed.reset();
    m_sync->Unseal(password);
    emit lockChanged(false);
    return true;
}

void CZelmoraDoc::OnNewDocument() {
    DropSeal();
    CDocument::OnNewDocument();
}

void CZelmoraDoc::DeleteContents() {
    DropSeal();
    RemoveAllEntries();
}

void CZelmoraDoc::DropSeal() {
    if (m_pSealed) {
        m_pSealed.reset();
        m_sync->DropSeal();
        emit lockChanged(false);
    }
}

SVaultResult CZelmoraDoc::WriteSealed(const QString& path) const {
    return m_sync->WriteBytes(path, m_pSealed->image);
}
