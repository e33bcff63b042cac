// Runs the Khronos glTF validator on every .glb and .gltf file given and
// fails unless each has no error, warning, info or hint.
// Usage: node validate_gltf.js MODULE_FOLDER FILE...
'use strict';
const fs = require('fs');
const path = require('path');
const validator = require(path.resolve(process.argv[2], 'gltf-validator'));

async function validate(file) {
    const bytes = new Uint8Array(fs.readFileSync(file));
    const report = await validator.validateBytes(bytes, {
        uri: path.basename(file),
        maxIssues: 0,
        externalResourceFunction: (uri) =>
            new Promise((resolve, reject) => {
                fs.readFile(path.join(path.dirname(file), decodeURIComponent(uri)), (err, data) =>
                    err ? reject(err.toString()) : resolve(new Uint8Array(data)));
            }),
    });
    const i = report.issues;
    const clean = i.numErrors + i.numWarnings + i.numInfos + i.numHints === 0;
    console.log(`${clean ? 'clean' : 'NOT CLEAN'} ${file}: ${i.numErrors} errors, ${i.numWarnings} warnings, ` +
                `${i.numInfos} infos, ${i.numHints} hints`);
    for (const m of i.messages) {
        console.log(`  ${m.code} ${m.pointer || ''}: ${m.message}`);
    }
    return clean;
}

(async () => {
    const files = process.argv.slice(3);
    let ok = files.length > 0;
    for (const file of files) {
        ok = (await validate(file)) && ok;
    }
    process.exit(ok ? 0 : 1);
})().catch((e) => { console.error(e); process.exit(1); });
