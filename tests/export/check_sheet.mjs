// Reads a sprite sheet's JSON as PixiJS, a game engine, does, and checks
// that each frame's texture is the frame's rectangle of the sheet at the
// size it has in the sheet's pixels: node check_sheet.mjs FILE.sheet.json
import { readFileSync } from 'node:fs';

// PixiJS asks the browser's navigator whether it runs in Safari.
globalThis.navigator ??= { userAgent: 'node' };
const { Spritesheet, Texture, TextureSource } = await import('pixi.js');

const data = JSON.parse(readFileSync(process.argv[2], 'utf8'));
const source = new TextureSource({ width: data.meta.size.w, height: data.meta.size.h });
const sheet = new Spritesheet(new Texture({ source }), data);
await sheet.parse();
const failures = [];
const textures = Object.values(sheet.textures);
if (textures.length !== data.frames.length) failures.push(`${textures.length} textures for ${data.frames.length} frames`);
data.frames.forEach(({ frame }, i) => {
  const texture = textures[i];
  if (!texture) return;
  const got = [texture.frame.x, texture.frame.y, texture.width, texture.height];
  const want = [frame.x, frame.y, frame.w, frame.h];
  if (got.join() !== want.join()) failures.push(`frame ${i}: PixiJS takes ${got}, not ${want}`);
});
for (const f of failures) console.log(f);
process.exit(failures.length ? 1 : 0);
