// What a drop holds: its files, and the names of the folders dropped with them, which the page
// cannot read (a folder arrives as a file that fails when it is read).
export function filesOf(transfer) {
  const files = [];
  const folders = [];
  const items = [...(transfer.items || [])].filter((item) => item.kind === 'file');
  if (!items.length) return { files: [...transfer.files], folders };
  for (const item of items) {
    const entry = item.webkitGetAsEntry ? item.webkitGetAsEntry() : null;
    const file = item.getAsFile();
    if (entry && entry.isDirectory) {
      folders.push(entry.name);
    } else if (file) {
      files.push(file);
    }
  }
  return { files, folders };
}
