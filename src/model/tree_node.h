// A node of the folder tree: first child, next sibling and one back link.
//
// The tree owns its nodes: a node owns its children, and the head of a chain of siblings that is
// in no tree (handed to AddChild, or left by a caller) owns the siblings linked after it. So a
// node is freed exactly once, with its parent or with whoever holds it outside a tree; the links
// themselves stay raw pointers.
#pragma once

#include <memory>
#include <string>

namespace qb {

class CTreeNode {
  public:
    CTreeNode() = default;
    CTreeNode(std::string name, std::string path);
    // Frees the whole subtree (and, for the head of a detached chain, the siblings after it)
    // without recursion, however deep the tree. A node still in a tree leaves it first.
    virtual ~CTreeNode();
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

    // Inserts `chain` (with the siblings linked after it) in front of this node's children,
    // which then own it.
    void AddChild(std::unique_ptr<CTreeNode> chain);
    // Detaches this node, keeping its own children, from its tree and hands it to the caller.
    // Null for a root: nothing in a tree owns it, so there is nothing to hand over.
    std::unique_ptr<CTreeNode> Unlink();
    // Frees every child with its subtree.
    void DeleteChildren();

    CTreeNode* m_pPrev = nullptr;
    CTreeNode* m_pFirstChild = nullptr;
    CTreeNode* m_pNext = nullptr;
    std::string m_strName;
    std::string m_strPath;

  private:
    void Detach();
};

} // namespace qb
