// folder.js - the files of an asset folder the user picked or dropped, and
// their place in the module's file system.
//
// filesFromPicker(fileList): the files of an <input webkitdirectory>, each
//   with its path inside the folder picked: { name, files: [{ path, file }] }.
// filesFromDrop(dataTransfer): a dropped folder, read through its entries at
//   every level; several files dropped at once count as the folder they came
//   from. A single file (the page cannot reach the folder it is in) or
//   anything that is not a file gives { refusal }: one line to show instead.
//   The drop's items are read before the first wait, while they are valid.
// writeFolder(FS, folder, files): makes the folder and the subfolders the paths
//   need, and writes each file's bytes.
// removeFolder(FS, folder): removes it and everything in it.

const NOTE_TEXT_LENGTH = 80;

export function filesFromPicker(fileList) {
  const all = Array.from(fileList || []);
  if (all.length === 0) return { refusal: 'The folder picked holds no file.' };
  const inFolder = (file) => file.webkitRelativePath.split('/').slice(1).join('/') || file.name;
  return {
    name: all[0].webkitRelativePath.split('/')[0] || 'folder',
    files: all.map((file) => ({ path: inFolder(file), file })),
  };
}

function entryFile(entry) {
  return new Promise((resolve, reject) => entry.file(resolve, reject));
}

function entryBatch(reader) {
  return new Promise((resolve, reject) => reader.readEntries(resolve, reject));
}

async function folderFiles(folder, prefix, out) {
  const reader = folder.createReader();
  for (let batch = await entryBatch(reader); batch.length > 0; batch = await entryBatch(reader)) {
    for (const entry of batch) {
      if (entry.isDirectory) {
        await folderFiles(entry, `${prefix}${entry.name}/`, out);
      } else {
        out.push({ path: `${prefix}${entry.name}`, file: await entryFile(entry) });
      }
    }
  }
  return out;
}

export async function filesFromDrop(dataTransfer) {
  const items = Array.from(dataTransfer.items || []).filter((item) => item.kind === 'file');
  const entries = items.map((item) => item.webkitGetAsEntry && item.webkitGetAsEntry());
  const files = Array.from(dataTransfer.files || []);
  const text = (dataTransfer.getData('text/plain') || '').trim().slice(0, NOTE_TEXT_LENGTH);
  if (entries.length === 1 && entries[0] && entries[0].isDirectory) {
    return { name: entries[0].name, files: await folderFiles(entries[0], '', []) };
  }
  if (files.length > 1) {
    return { name: 'dropped', files: files.map((file) => ({ path: file.name, file })) };
  }
  if (files.length === 1) {
    return { refusal: `${files[0].name} is a file alone: drop its folder, or all its files` };
  }
  return { refusal: `Not a folder or a file${text ? `: ${text}` : ''}` };
}

function makeFolders(FS, folder) {
  let path = '';
  for (const part of folder.split('/').filter(Boolean)) {
    path += `/${part}`;
    if (!FS.analyzePath(path).exists) FS.mkdir(path);
  }
}

export async function writeFolder(FS, folder, files) {
  makeFolders(FS, folder);
  for (const { path, file } of files) {
    const target = `${folder}/${path}`;
    makeFolders(FS, target.slice(0, target.lastIndexOf('/')));
    FS.writeFile(target, new Uint8Array(await file.arrayBuffer()));
  }
}

export function removeFolder(FS, folder) {
  if (!FS.analyzePath(folder).exists) return;
  for (const name of FS.readdir(folder)) {
    if (name === '.' || name === '..') continue;
    const path = `${folder}/${name}`;
    if (FS.isDir(FS.stat(path).mode)) {
      removeFolder(FS, path);
    } else {
      FS.unlink(path);
    }
  }
  FS.rmdir(folder);
}
