// The pages of piecetool site in Chromium, opened from disk as a user opens
// them: cards, their order and search (typed, and through an input method),
// each piece's model shown and turning, texture pictures, the download; no
// request leaving the site's folder, no console error, no policy violation,
// no name read as markup; a second run removes a vanished piece's page.
// Usage: node site_browser_test.js MODULES PIECETOOL CHROMIUM SAMPLES WORK ARTIFACTS
// (WORK/samples holds the samples' site, WORK/hostile the hostile catalogue.)
'use strict';
const childProcess = require('child_process');
const fs = require('fs');
const path = require('path');
const url = require('url');
const [modules, piecetool, chromiumPath, samples, work, artifacts] = process.argv.slice(2).map((a) => path.resolve(a));
const { chromium } = require(path.join(modules, 'playwright-core'));

let failures = 0;
function check(ok, what, detail) {
    console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}${ok || detail === undefined ? '' : ': ' + JSON.stringify(detail)}`);
    failures += ok ? 0 : 1;
}
function same(got, expected, what) {
    check(JSON.stringify(got) === JSON.stringify(expected), what, { got, expected });
}

function site(args) {
    return childProcess.spawnSync(piecetool, ['site', ...args], { encoding: 'utf8' }).status;
}
function catalogue(folder) {
    return ['profiles', 'models', 'textures'].map((sub) => path.join(folder, sub));
}

// Opens a page of a site and records what it asks for and what it reports.
async function open(context, folder, file) {
    const page = await context.newPage();
    const seen = { errors: [], requests: [] };
    page.on('console', (m) => m.type() === 'error' && seen.errors.push(m.text()));
    page.on('pageerror', (e) => seen.errors.push(e.message));
    page.on('request', (r) => seen.requests.push(r.url()));
    await page.goto(url.pathToFileURL(path.join(folder, file)).href);
    seen.folder = url.pathToFileURL(folder).href + '/';
    return { page, seen };
}

// What a page did after `open`: nothing outside the folder, no error.
async function checkClean(page, seen, what) {
    const outside = seen.requests.filter((r) =>
        !r.startsWith(seen.folder) && !r.startsWith('data:') && !r.startsWith('blob:'));
    same(outside, [], `${what}: no request leaves the folder`);
    same(seen.errors, [], `${what}: no console error`);
    same(await page.evaluate(() => window.violations), [], `${what}: no policy violation`);
    // A name that became markup would show as an element or an attribute.
    same(await page.evaluate(() => [...document.querySelectorAll('*')].flatMap((e) =>
        [...e.attributes].filter((a) => a.name.startsWith('on')).map((a) => e.tagName + ' ' + a.name))),
    [], `${what}: no event-handler attribute`);
    check(await page.evaluate(() => document.querySelector('i, b, img[src="x"], svg') === null),
        `${what}: no element from a name`);
}

async function visibleNames(page) {
    return page.$$eval('.piece:not([hidden]) .name', (names) => names.map((n) => n.textContent));
}

async function search(page, client, text, ime) {
    await page.fill('#search', '');
    await page.focus('#search');
    if (ime) {
        // An input method shows its reading first, then commits the text.
        await client.send('Input.imeSetComposition', { text: ime, selectionStart: ime.length, selectionEnd: ime.length });
        await client.send('Input.insertText', { text });
    } else {
        await page.keyboard.type(text);
    }
    return visibleNames(page);
}

// A piece's page: its texts, then its model loaded and turning, or why not.
async function checkPiecePage(context, folder, file, expected) {
    const what = `${path.basename(folder)}/${file}`;
    const { page, seen } = await open(context, folder, file);
    same(await page.$eval('h1', (h) => h.textContent), expected.name, `${what}: the name`);
    same(await page.$eval('.files .profile', (d) => d.textContent), expected.profile, `${what}: the profile`);
    same(await page.evaluate(() => [...document.scripts].map((s) => s.getAttribute('src'))),
        ['../model-viewer.min.js', '../site.js'], `${what}: our scripts only`);
    const hasView = (await page.$('model-viewer')) !== null;
    same(hasView, expected.view, `${what}: a model view only where the model can be shown`);
    if (hasView) {
        await page.waitForFunction(() => document.querySelector('model-viewer').loaded, null, { timeout: 20000 });
        const viewer = await page.$eval('model-viewer', (v) => ({
            src: v.getAttribute('src').slice(0, 30),
            controls: v.hasAttribute('camera-controls'),
            rotate: v.hasAttribute('auto-rotate'),
            rate: v.getAttribute('rotation-per-second'),
            background: getComputedStyle(v).backgroundColor,
        }));
        same(viewer, { src: 'data:model/gltf-binary;base64,', controls: true, rotate: true, rate: '1rad', background: 'rgb(119, 119, 255)' },
            `${what}: the model inline, turning at one radian a second on the viewer's blue`);
        const first = await page.$eval('model-viewer', (v) => v.turntableRotation);
        await page.waitForTimeout(400);
        const second = await page.$eval('model-viewer', (v) => v.turntableRotation);
        check(second !== first, `${what}: the model turns (${first.toFixed(2)} then ${second.toFixed(2)} rad)`);
    } else {
        check((await page.$('.no-view')) !== null, `${what}: says why there is no view`);
    }
    if (expected.error) {
        check((await page.$('.finding.error')) !== null, `${what}: shows its error`);
    }
    const pictures = await page.$$eval('.texture img', (images) => images.map((i) =>
        i.complete && i.naturalWidth === Number(i.getAttribute('width')) && i.naturalWidth > 0));
    check(pictures.every((p) => p), `${what}: texture pictures at their own size`, pictures);
    await checkClean(page, seen, what);
    return page;
}

async function checkSamples(context) {
    const folder = path.join(work, 'samples');
    const { page, seen } = await open(context, folder, 'index.html');
    same(await page.title(), 'Pieces', 'samples: the default title');
    same(await page.$eval('.count', (c) => c.textContent), '5 pieces, 0 errors, 0 warnings', 'samples: the count');
    const names = ['Brick Cube', 'Flag Pole', 'Grass Slab', '赤い箱', '表示台'];
    same(await visibleNames(page), names, 'samples: a card per piece in the order of the profiles');
    same(await page.$$eval('.piece', (cards) => cards.map((c) => [
        c.querySelector('.profile').textContent, c.querySelector('.textures').textContent,
        c.querySelector('.thumbnail img').naturalWidth])),
    [['brick_cube.prt', '2 textures', 256], ['flag_pole.prt', '2 textures', 256],
        ['grass_slab.prt', '2 textures', 256], ['red_box.prt', '1 texture', 256], ['stand.prt', '2 textures', 256]],
    'samples: profile, texture count and thumbnail on each card');
    await page.screenshot({ path: path.join(artifacts, 'site_index.png'), fullPage: true });

    const client = await context.newCDPSession(page);
    same(await search(page, client, 'CUBE'), ['Brick Cube'], 'search: without regard to case');
    same(await search(page, client, 'a'), ['Flag Pole', 'Grass Slab'], 'search: a substring');
    same(await search(page, client, 'zzz'), [], 'search: nothing');
    check(await page.$eval('#no-match', (p) => !p.hidden), 'search: says nothing matches');
    same(await search(page, client, '赤い', 'あかい'), ['赤い箱'], 'search: committed through an input method');
    same(await search(page, client, '表示', 'ひょうじ'), ['表示台'], 'search: a name with a 0x5C trail byte');
    await page.fill('#search', '');
    await page.focus('#search');
    await client.send('Input.imeSetComposition', { text: 'ひょう', selectionStart: 3, selectionEnd: 3 });
    same(await visibleNames(page), names, 'search: a reading being composed filters nothing yet');
    await client.send('Input.insertText', { text: '' });
    await Promise.all([page.waitForURL('**/pieces/flag_pole.html'), page.click('text=Flag Pole')]);
    check(true, 'samples: a card leads to its page');
    await checkClean(page, seen, 'samples/index.html');

    const profiles = ['brick_cube', 'flag_pole', 'grass_slab', 'red_box', 'stand'];
    for (let i = 0; i < names.length; ++i) {
        const piece = await checkPiecePage(context, folder, `pieces/${profiles[i]}.html`,
            { name: names[i], profile: `${profiles[i]}.prt`, view: true, error: false });
        if (profiles[i] === 'flag_pole') {
            await piece.screenshot({ path: path.join(artifacts, 'site_piece.png'), fullPage: true });
            const [download] = await Promise.all([piece.waitForEvent('download'), piece.click('.download a')]);
            same(download.suggestedFilename(), 'flag_pole.glb', 'the download link gives the .glb');
            same(fs.readFileSync(await download.path()), fs.readFileSync(path.join(folder, 'pieces/flag_pole.glb')),
                'the download is the piece');
        }
        await piece.close();
    }
}

async function checkHostile(context) {
    const source = path.join(work, 'hostile');
    const folder = path.join(work, 'hostile-site');
    const title = `<script>document.title='pwned'</script> & "Co" 'x' {{text:title}}`;
    same(site([...catalogue(source), folder, '--title', title]), 1, 'hostile: exit code 1 for its errors');
    const expected = JSON.parse(fs.readFileSync(path.join(source, 'expected.json'), 'utf8'));
    const { page, seen } = await open(context, folder, 'index.html');
    same(await page.title(), title, 'hostile: the title as given');
    // The two profiles whose names differ only in case come in either order.
    const order = (names) => [...names.slice(0, -2), ...names.slice(-2).sort()];
    same(order(await visibleNames(page)), order(expected.map((p) => p.name)), 'hostile: every name as it is');
    same(order(await page.$$eval('.piece .profile', (ps) => ps.map((p) => p.textContent))),
        order(expected.map((p) => p.profile)), 'hostile: every profile file name as it is');
    const client = await context.newCDPSession(page);
    same(await search(page, client, '<SCRIPT>'), [expected[0].name], 'hostile: search for markup');
    same(await search(page, client, 'ソ', 'そ'), ['表示 ソース'], 'hostile: search for ソ (83 5C)');
    await checkClean(page, seen, 'hostile/index.html');
    const pages = await page.$$eval('.piece .name', (links) => links.map((a) => a.getAttribute('href')));
    same(new Set(pages).size, expected.length, 'hostile: a page of its own for each piece');
    for (const href of pages) {
        const name = await page.$eval(`.name[href="${href}"]`, (a) => a.textContent);
        const piece = await checkPiecePage(context, folder, href, expected.find((p) => p.name === name));
        same(await piece.title(), `${name} - ${title}`, `hostile/${href}: its title`);
        await piece.close();
    }
}

async function checkRerun(context) {
    const source = path.join(work, 'rerun');
    const folder = path.join(work, 'rerun-site');
    fs.cpSync(samples, source, { recursive: true });
    same(site([...catalogue(source), folder]), 0, 're-run: the first run');
    fs.writeFileSync(path.join(folder, 'notes.txt'), 'mine');
    fs.rmSync(path.join(source, 'profiles', 'grass_slab.prt'));
    same(site([...catalogue(source), folder]), 0, 're-run: the second run');
    check(!fs.existsSync(path.join(folder, 'pieces', 'grass_slab.html')), "re-run: the vanished piece's page is gone");
    check(fs.existsSync(path.join(folder, 'notes.txt')), 're-run: a file it did not write stays');
    const { page } = await open(context, folder, 'index.html');
    same(await visibleNames(page), ['Brick Cube', 'Flag Pole', '赤い箱', '表示台'], 're-run: the index without it');
}

(async () => {
    // Chromium as installed, with its default file access: nothing that
    // relaxes file:// is passed. The rest keeps it from reaching for a
    // network this machine does not have.
    const context = await chromium.launchPersistentContext(fs.mkdtempSync(path.join(work, 'profile-')), {
        executablePath: chromiumPath,
        headless: true,
        acceptDownloads: true,
        viewport: { width: 1100, height: 800 },
        args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run', '--disable-background-networking',
            '--disable-component-update', '--disable-sync'],
    });
    await context.addInitScript(() => {
        window.violations = [];
        document.addEventListener('securitypolicyviolation', (e) =>
            window.violations.push(`${e.effectiveDirective} ${e.blockedURI}`));
    });
    try {
        await checkSamples(context);
        await checkHostile(context);
        await checkRerun(context);
    } finally {
        await context.close();
    }
    console.log(failures === 0 ? 'all checks passed' : `${failures} checks failed`);
    process.exit(failures === 0 ? 0 : 1);
})().catch((e) => { console.error(e); process.exit(1); });
