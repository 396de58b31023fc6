void dpShellPlaceholder() {}
