// Life Flower: the feedback's living cells as blossoms, opening white and deepening to
// rose and violet as they age; cells that died leave fading green leaves.

float hash(vec2 p) { return fract(sin(dot(p, vec2(12.9898, 78.233))) * 43758.5453); }

vec2 finger() { return (a_x == 0.0 && a_y == 0.0) ? vec2(0.5) : vec2(a_x, a_y); }

void main() {
  ivec2 size = textureSize(u_buffer0, 0);
  int side = max(1, int(floor(10.0 * float(size.x) / max(a_size.x, 1.0) + 0.5)));
  ivec2 cells = max(size / side, ivec2(1));
  vec2 texel = v_texcoord * vec2(size);
  ivec2 cell = min(ivec2(texel) / side, cells - 1);
  vec4 state = texelFetch(u_buffer0, cell * side + side / 2, 0);
  float alive = state.r;
  float bloom = state.g;
  float age = state.b;

  vec2 local = (texel - vec2(cell * side)) / float(side) - 0.5;
  float r = length(local);
  float turn = hash(vec2(cell)) * 6.2831;
  float shape = 0.36 + 0.1 * cos(5.0 * atan(local.y, local.x) + turn + u_time * 0.8);

  vec3 col = mix(vec3(0.015, 0.03, 0.02), vec3(0.03, 0.015, 0.05), v_texcoord.y);
  float leaf = (bloom - alive) * (1.0 - smoothstep(0.1, 0.45, r));
  col += leaf * mix(vec3(0.02, 0.12, 0.06), vec3(0.15, 0.5, 0.2), bloom);

  vec3 petal = mix(vec3(1.0, 0.95, 0.8), vec3(1.0, 0.35, 0.6), smoothstep(0.0, 0.12, age));
  petal = mix(petal, vec3(0.55, 0.25, 0.95), smoothstep(0.15, 0.7, age));
  float flower = alive * (1.0 - smoothstep(shape - 0.06, shape, r));
  col = mix(col, petal * (0.75 + 0.25 * cos(r * 20.0)), flower);
  col += alive * vec3(1.0, 0.85, 0.3) * (1.0 - smoothstep(0.0, 0.09, r));

  vec2 d = (v_texcoord - finger()) * vec2(a_size.x / max(a_size.y, 1.0), 1.0);
  col += vec3(0.9, 0.7, 0.4) * clamp(a_g, 0.0, 1.0) * 0.18 * exp(-dot(d, d) / 0.004);

  fragColor = vec4(col, 1.0);
}
