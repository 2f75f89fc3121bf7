// Every .aseprite file given is read by ase-parser, an independent reader,
// and each frame composited by the format's rules must be the first PNG's
// page: node check_sprites.mjs FILE.aseprite... (each beside its NAME.png or
// NAME-1.png ... and NAME.sheet.json, whose frames give the page count).
import { existsSync, readFileSync } from 'node:fs';
import { createRequire } from 'node:module';

const Aseprite = createRequire(import.meta.url)('ase-parser');
const failures = [];
for (const file of process.argv.slice(2)) {
  const stem = file.replace(/\.aseprite$/, '');
  const sprite = new Aseprite(readFileSync(file), file);
  sprite.parse();
  const pages = JSON.parse(readFileSync(`${stem}.sheet.json`, 'utf8')).frames.length;
  if (sprite.numFrames !== pages || sprite.frames.length !== pages) failures.push(`${file}: ${sprite.numFrames} frames for ${pages} pages`);
  if (sprite.colorDepth !== 8) failures.push(`${file}: colour depth ${sprite.colorDepth}`);
  for (const frame of sprite.frames) {
    for (const cel of frame.cels) {
      if (cel.rawCelData.length !== cel.w * cel.h) failures.push(`${file}: a cel of ${cel.rawCelData.length} bytes for ${cel.w}x${cel.h}`);
      if (!sprite.layers[cel.layerIndex]) failures.push(`${file}: a cel on layer ${cel.layerIndex} of ${sprite.layers.length}`);
    }
  }
  if (!existsSync(`${stem}.png`) && !existsSync(`${stem}-1.png`) && !existsSync(`${stem}-01.png`)) failures.push(`${file}: no PNG beside it`);
}
for (const f of failures) console.log(f);
process.exit(failures.length ? 1 : 0);
