// Writes a zip of the given files, exactly the same bytes for the same files and time on any
// machine: members in the order given, each deflated, with one time (the commit's, as a DOS time
// in UTC) and no extra fields (the extended timestamps a zip usually carries would bring the
// build's access and change times).
//   node make_zip.mjs OUTPUT.zip EPOCH_SECONDS NAME=PATH...
import { readFileSync, writeFileSync } from 'node:fs';
import { deflateRawSync } from 'node:zlib';

const crcTable = Array.from({ length: 256 }, (_, n) => {
  let c = n;
  for (let k = 0; k < 8; ++k) {
    c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
  }
  return c >>> 0;
});
function crc32(bytes) {
  let c = 0xffffffff;
  for (const byte of bytes) {
    c = crcTable[(c ^ byte) & 0xff] ^ (c >>> 8);
  }
  return (c ^ 0xffffffff) >>> 0;
}

const [output, epoch, ...members] = process.argv.slice(2);
const when = new Date(Number(epoch) * 1000);
const dosTime = (when.getUTCHours() << 11) | (when.getUTCMinutes() << 5) | (when.getUTCSeconds() >> 1);
const dosDate =
    ((when.getUTCFullYear() - 1980) << 9) | ((when.getUTCMonth() + 1) << 5) | when.getUTCDate();

const locals = [];
const centrals = [];
let offset = 0;
for (const member of members) {
  const at = member.indexOf('=');
  const name = Buffer.from(member.slice(0, at), 'utf8');
  const data = readFileSync(member.slice(at + 1));
  const packed = deflateRawSync(data, { level: 9 });
  const fields = (header, size) => {
    header.writeUInt16LE(20, size);  // version needed: 2.0, deflate
    header.writeUInt16LE(0x0800, size + 2);  // names are UTF-8
    header.writeUInt16LE(8, size + 4);  // deflated
    header.writeUInt16LE(dosTime, size + 6);
    header.writeUInt16LE(dosDate, size + 8);
    header.writeUInt32LE(crc32(data), size + 10);
    header.writeUInt32LE(packed.length, size + 14);
    header.writeUInt32LE(data.length, size + 18);
    header.writeUInt16LE(name.length, size + 22);
  };
  const local = Buffer.alloc(30);
  local.writeUInt32LE(0x04034b50, 0);
  fields(local, 4);
  locals.push(local, name, packed);
  const central = Buffer.alloc(46);
  central.writeUInt32LE(0x02014b50, 0);
  central.writeUInt16LE(20, 4);  // made by: 2.0, MS-DOS
  fields(central, 6);
  central.writeUInt32LE(offset, 42);
  centrals.push(central, name);
  offset += local.length + name.length + packed.length;
}
const directory = Buffer.concat(centrals);
const end = Buffer.alloc(22);
end.writeUInt32LE(0x06054b50, 0);
end.writeUInt16LE(members.length, 8);
end.writeUInt16LE(members.length, 10);
end.writeUInt32LE(directory.length, 12);
end.writeUInt32LE(offset, 16);
writeFileSync(output, Buffer.concat([...locals, directory, end]));
