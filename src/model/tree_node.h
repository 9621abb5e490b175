// A node of the folder tree: first child, next sibling and one back link.
#pragma once

#include <string>

namespace qb {

class CTreeNode {
  public:
    CTreeNode() = default;
    CTreeNode(std::string name, std::string path);
    virtual ~CTreeNode() = default;
    CTreeNode(const CTreeNode&) = delete;
    CTreeNode& operator=(const CTreeNode&) = delete;

    CTreeNode* GetFirstChild() const { return m_pFirstChild; }
    CTreeNode* GetNextSibling() const { return m_pNext; }
    // The previous sibling, or null for a first child (whose back link is its parent) or a root.
    CTreeNode* GetPrevSibling() const;
    CTreeNode* GetFirstSibling();
    CTreeNode* GetLastSibling();
    CTreeNode* GetParent();
    bool IsRoot() const { return m_pPrev == nullptr; }
    bool HasChildren() const { return m_pFirstChild != nullptr; }

    // Inserts `chain` (with the siblings linked after it) in front of this node's children.
    void AddChild(CTreeNode* chain);
    // Detaches this node, keeping its own children, from its tree.
    CTreeNode* Unlink();

    CTreeNode* m_pPrev = nullptr;
    CTreeNode* m_pFirstChild = nullptr;
    CTreeNode* m_pNext = nullptr;
    std::string m_strName;
    std::string m_strPath;
};

} // namespace qb
