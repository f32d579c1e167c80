/* Minifies the page's linked script with terser (Debian package node-terser): local and
 * top-level names shortened, dead code dropped: nothing outside piecettes.js names
 * anything in it. With --keep-top-level (for the page's first script, which defines
 * piecettesWasm for it) the top level stays as it is.
 *
 *     node minify.js [--keep-top-level] linked.js minified.js
 */
'use strict';
const fs = require('fs');
const { minify } = require('terser');

const keepTopLevel = process.argv[2] === '--keep-top-level';
const [source, target] = process.argv.slice(keepTopLevel ? 3 : 2);
minify(fs.readFileSync(source, 'utf8'), {
  ecma: 2020,
  toplevel: !keepTopLevel,
  compress: { passes: 2 },
  format: { comments: false },
}).then((result) => fs.writeFileSync(target, result.code + '\n'))
  .catch((error) => { console.error(`${source}: ${error.message || error}`); process.exit(1); });
