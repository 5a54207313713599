// quillet serve's routes of Gotenberg's shape driven by chromiumly, its Node
// client, unchanged: every field chromiumly sends to the LibreOffice route and
// every PDF-engines call, each checked by its effect on the PDF (pdfinfo's
// pages, page size, encryption and information; the PDF/A and PDF/UA
// identification), and the fields quillet does not build refused by name.
//
//   QUILLET_URL=http://127.0.0.1:PORT QUILLET_CHROMIUMLY_DIR=<npm ci's folder> \
//     QUILLET_WORK=<an empty folder> node routes.test.cjs
//
// Exits 0 when every check held, 1 otherwise, naming each failure.
'use strict';

const assert = require('node:assert/strict');
const { execFileSync } = require('node:child_process');
const fs = require('node:fs');
const path = require('node:path');
const zlib = require('node:zlib');

const { Chromiumly, LibreOffice, PDFEngines, PdfFormat, System } = require(
  require.resolve('chromiumly', { paths: [process.env.QUILLET_CHROMIUMLY_DIR] }));

Chromiumly.configure({ endpoint: process.env.QUILLET_URL });
const work = process.env.QUILLET_WORK;

// pdfinfo's fields of a PDF held in memory.
function info(pdf, password) {
  const file = path.join(work, `info-${process.hrtime.bigint()}.pdf`);
  fs.writeFileSync(file, pdf);
  const args = password === undefined ? [file] : ['-upw', password, file];
  const fields = {};
  try {
    const out = execFileSync('pdfinfo', args, { encoding: 'utf8', stdio: ['ignore', 'pipe', 'pipe'] });
    for (const line of out.split('\n')) {
      const colon = line.indexOf(':');
      if (colon > 0) fields[line.slice(0, colon)] = line.slice(colon + 1).trim();
    }
  } catch (e) {
    fields.error = String(e.stderr || e.message);
  }
  return fields;
}

// The entries of a zip archive by name (stored or deflated), read from its local headers.
function unzip(zip) {
  const files = {};
  for (let at = 0; zip.readUInt32LE(at) === 0x04034b50;) {
    const method = zip.readUInt16LE(at + 8);
    const size = zip.readUInt32LE(at + 18);
    const nameLength = zip.readUInt16LE(at + 26);
    const extraLength = zip.readUInt16LE(at + 28);
    const name = zip.toString('utf8', at + 30, at + 30 + nameLength);
    const start = at + 30 + nameLength + extraLength;
    const data = zip.subarray(start, start + size);
    files[name] = method === 8 ? zlib.inflateRawSync(data) : Buffer.from(data);
    at = start + size;
  }
  return files;
}

function pages(pdf, password) { return Number(info(pdf, password).Pages); }

async function refused(promise, status, field) {
  await assert.rejects(promise, (e) => {
    assert.match(e.message, new RegExp(`Status: ${status}`));
    assert.match(e.message, new RegExp(field));
    return true;
  });
}

function write(name, content) {
  const file = path.join(work, name);
  fs.writeFileSync(file, content);
  return file;
}

const checks = {
  async health() {
    const health = JSON.parse((await System.getHealth()).toString());
    assert.equal(health.status, 'up');
    assert.equal(health.details.libreoffice.status, 'up');
    assert.equal((await System.headHealth()).length, 0);
  },

  async everyPageProperty() {
    const memo = write('long.txt', longText(150));
    const pdf = await LibreOffice.convert({
      files: [memo],
      properties: {
        landscape: false, nativePageRanges: { from: 1, to: 2 }, exportFormFields: true, singlePageSheets: false,
        allowDuplicateFieldNames: false, exportBookmarks: true, exportBookmarksToPdfDestination: false,
        exportPlaceholders: false, exportNotes: false, exportNotesPages: false, exportOnlyNotesPages: false,
        exportNotesInMargin: false, convertOooTargetToPdfTarget: false, exportLinksRelativeFsys: false,
        exportHiddenSlides: false, skipEmptyPages: false, updateIndexes: true, addOriginalDocumentAsStream: false,
      },
      losslessImageCompression: false, reduceImageResolution: true, quality: 80, maxImageResolution: 300,
      pdfUA: false,
    });
    // nativePageRanges 1-2 of three pages.
    assert.equal(pages(pdf), 2);
  },

  async landscape() {
    const pdf = await LibreOffice.convert({ files: [write('a.txt', 'words\n')], properties: { landscape: true } });
    const [width, height] = info(pdf)['Page size'].split(' ').filter((w) => /^[0-9.]+$/.test(w)).map(Number);
    assert.ok(width > height, `${width} x ${height} is not landscape`);
  },

  async encryption() {
    const pdf = await LibreOffice.convert({
      files: [write('a.txt', 'words\n')], userPassword: 'open sesame', ownerPassword: 'all rights',
    });
    assert.match(info(pdf).error || '', /password/i);
    assert.match(info(pdf, 'open sesame').Encrypted, /^yes.*AES-256/);
  },

  async metadataMergeAndOutputName() {
    const pdf = await LibreOffice.convert({
      files: [write('b.txt', longText(150)), write('a.txt', 'words\n')],
      merge: true, metadata: { Title: 'Quarterly', Author: 'Ann' }, outputFilename: 'both',
    });
    const fields = info(pdf);
    assert.equal(Number(fields.Pages), 4);
    assert.equal(fields.Title, 'Quarterly');
    assert.equal(fields.Author, 'Ann');
  },

  async split() {
    const zip = await LibreOffice.convert({
      files: [write('long.txt', longText(150))], split: { mode: 'intervals', span: '2' },
    });
    // (chromiumly sends the LibreOffice route's files as file01.txt, file02.txt, ...)
    const parts = unzip(zip);
    assert.deepEqual(Object.keys(parts).sort(), ['file01.txt_0.pdf', 'file01.txt_1.pdf']);
    assert.equal(pages(parts['file01.txt_0.pdf']), 2);
    assert.equal(pages(parts['file01.txt_1.pdf']), 1);
  },

  async pdfaAndFlatten() {
    const pdf = await LibreOffice.convert({ files: [write('a.txt', 'words\n')], pdfa: PdfFormat.A_1b, flatten: true });
    assert.match(pdf.toString('latin1'), /pdfaid:part(="|>)1/);
  },

  async zipNames() {
    const zip = await LibreOffice.convert({ files: [write('memo.txt', 'one\n'), write('deck.txt', 'two\n')] });
    assert.deepEqual(Object.keys(unzip(zip)).sort(), ['file01.txt.pdf', 'file02.txt.pdf']);
  },

  async unbuiltFieldsAreRefusedByName() {
    const files = [write('a.txt', 'words\n')];
    await refused(LibreOffice.convert({ files, nativeWatermarkText: 'DRAFT' }), 400, 'nativeWatermarkText');
    await refused(LibreOffice.convert({ files, initialView: 1 }), 400, 'initialView');
    await refused(LibreOffice.convert({ files, userPassword: 'u', allowPrinting: false }), 400, 'allowPrinting');
    await refused(LibreOffice.convert({ files, embeds: [write('e.txt', 'x')] }), 400, 'embeds');
  },

  async pdfEngines() {
    const one = write('one.pdf', await LibreOffice.convert({ files: [write('a.txt', 'words\n')] }));
    const three = write('three.pdf', await LibreOffice.convert({ files: [write('long.txt', longText(150))] }));

    const merged = await PDFEngines.merge({
      files: [three, one], metadata: { Subject: 'merged' }, userPassword: 'pw', flatten: true,
    });
    const fields = info(merged, 'pw');
    assert.equal(Number(fields.Pages), 4);
    assert.equal(fields.Subject, 'merged');
    assert.match(fields.Encrypted, /^yes/);

    const split = unzip(await PDFEngines.split({ files: [three], options: { mode: 'pages', span: '3,1' } }));
    assert.deepEqual(Object.keys(split).sort(), ['three_0.pdf', 'three_1.pdf']);
    const unified = await PDFEngines.split({ files: [three], options: { mode: 'pages', span: '2-', unify: true } });
    assert.equal(pages(unified), 2);

    assert.equal(pages(await PDFEngines.flatten([three])), 3);

    const written = write('meta.pdf', await PDFEngines.writeMetadata({
      files: [one], metadata: { Author: 'Zoë', Keywords: ['a', 'b'], CreationDate: '2024-01-02T03:04:05Z' },
    }));
    assert.equal(info(fs.readFileSync(written)).Author, 'Zoë');
    const read = JSON.parse((await PDFEngines.readMetadata({ files: [written, three] })).toString());
    assert.equal(read['meta.pdf'].Author, 'Zoë');
    assert.equal(read['meta.pdf'].Keywords, 'a, b');
    assert.equal(read['meta.pdf'].CreateDate, '2024:01:02 03:04:05Z');
    assert.equal(read['three.pdf'].PageCount, 3);

    const locked = await PDFEngines.encrypt({ files: [one], options: { userPassword: 'u', ownerPassword: 'o' } });
    assert.match(info(locked, 'u').Encrypted, /^yes.*AES-256/);
    assert.match(info(locked).error || '', /password/i);

    const archived = await PDFEngines.convert({ files: [three], pdfa: PdfFormat.A_2b });
    assert.equal(pages(archived), 3);
    assert.match(archived.toString('latin1'), /pdfaid:part(="|>)2/);
    const accessible = await PDFEngines.convert({ files: [one], pdfUA: true });
    assert.equal(pages(accessible), 1);
    assert.match(accessible.toString('latin1'), /pdfuaid:part(="|>)1/);
    assert.doesNotMatch(fs.readFileSync(one).toString('latin1'), /pdfuaid:part/);
    await refused(PDFEngines.convert({ files: [write('fake.pdf', 'not a pdf')], pdfa: PdfFormat.A_2b }), 400, 'PDF');
    await refused(PDFEngines.merge({ files: [one], pdfa: PdfFormat.A_2b }), 400, 'pdfa');
    await refused(PDFEngines.merge({ files: [one], bookmarks: [{ title: 'x', page: 1 }] }), 400, 'bookmarks');
  },
};

function longText(lines) {
  let text = '';
  for (let i = 0; i < lines; ++i) text += `Line ${i} of a long document, with words enough.\n`;
  return text;
}

(async () => {
  let failed = 0;
  for (const [name, check] of Object.entries(checks)) {
    try {
      await check();
      console.log(`ok ${name}`);
    } catch (e) {
      ++failed;
      console.log(`FAILED ${name}: ${e.stack || e}`);
    }
  }
  process.exit(failed === 0 ? 0 : 1);
})();
