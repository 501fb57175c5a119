// Pulse Cell: living cells whose walls and nuclei light up as the feedback's waves pass.

// The membrane's height at block b, blocks of side texels.
float heightOf(ivec2 b, ivec2 blocks, int side) {
  b = clamp(b, ivec2(0), blocks - 1);
  vec4 t = texelFetch(u_buffer0, b * side + side / 2, 0);
  if (t.a > 0.99 && t.r + t.g + t.b < 0.01) return 0.0;  // the black a look starts from
  return (t.r + t.g / 255.0) * 2.0 - 1.0;
}

vec2 hash2(vec2 p) {
  p = vec2(dot(p, vec2(127.1, 311.7)), dot(p, vec2(269.5, 183.3)));
  return fract(sin(p) * 43758.5453);
}

void main() {
  vec2 uv = v_texcoord;
  vec2 size = max(a_size, vec2(1.0));
  ivec2 texels = textureSize(u_buffer0, 0);
  int side = max(1, int(floor(4.0 * float(texels.x) / size.x + 0.5)));
  ivec2 blocks = max(texels / side, ivec2(1));
  // The membrane between block centres, interpolated here so it is smooth.
  vec2 q = uv * vec2(texels) / float(side) - 0.5;
  ivec2 b = ivec2(floor(q));
  vec2 t = fract(q);
  float h00 = heightOf(b, blocks, side), h10 = heightOf(b + ivec2(1, 0), blocks, side);
  float h01 = heightOf(b + ivec2(0, 1), blocks, side), h11 = heightOf(b + ivec2(1, 1), blocks, side);
  float h = mix(mix(h00, h10, t.x), mix(h01, h11, t.x), t.y);

  // Cells about 70 points across, their centres drifting slowly.
  vec2 p = uv * size / 70.0;
  vec2 cell = floor(p);
  float nearest = 8.0, second = 8.0;
  vec2 nearestCentre = vec2(0.0);
  for (int j = -1; j <= 1; ++j) {
    for (int i = -1; i <= 1; ++i) {
      vec2 c = cell + vec2(float(i), float(j));
      vec2 o = hash2(c);
      vec2 centre = c + 0.5 + 0.35 * sin(u_time * 0.4 + 6.2831 * o);
      float dist = length(p - centre);
      if (dist < nearest) {
        second = nearest;
        nearest = dist;
        nearestCentre = centre;
      } else if (dist < second) {
        second = dist;
      }
    }
  }
  float wall = 1.0 - smoothstep(0.0, 0.08, second - nearest);
  float crest = clamp(h * 6.0, 0.0, 1.0);
  float trough = clamp(-h * 6.0, 0.0, 1.0);
  float energy = max(crest, trough);
  float tone = hash2(nearestCentre * 1.7).x;

  // Crests light the walls, troughs swell the nuclei.
  vec3 body = mix(vec3(0.0, 0.1, 0.12), vec3(0.04, 0.04, 0.15), tone);
  vec3 col = body * (0.5 + 0.5 * nearest) + vec3(0.0, 0.12, 0.14) * crest;
  col += wall * mix(vec3(0.0, 0.4, 0.38), vec3(0.4, 1.0, 0.9), crest) * (0.35 + 1.6 * energy);
  float nucleus = exp(-nearest * nearest * (20.0 - 12.0 * trough));
  col += nucleus * mix(vec3(0.1, 0.3, 0.5), vec3(1.0, 0.25, 0.7), trough) * (0.25 + 1.5 * energy);

  fragColor = vec4(col, 1.0);
}
